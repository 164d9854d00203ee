#ifndef TARNWICK_XBCRYPT_H
#define TARNWICK_XBCRYPT_H
/*
 * The compression add-on of the database-server client (libxbcrypt.so),
 * loaded by name at run time. FORMAT.md describes the streams it makes.
 *
 * CompressStream / UnCompressStream turn srcLen bytes at src into a new buffer
 * allocated with malloc, handed back in *dst / *dstLen, which the caller
 * releases with free(). Both answer 0 on success and one of the XBC_ codes
 * below on failure, leaving *dst NULL and *dstLen 0. An expanded stream is
 * never larger than XBC_MAX_EXPANDED bytes, whatever its header claims.
 *
 * SetCompressionPassword: a non-empty password seals every stream made from
 * now on (authenticated encryption) and is needed to open sealed streams;
 * NULL or "" makes plain streams. SetCompressionLevel: 0 (fastest) .. 9
 * (smallest); values outside are clamped. Both settings are process-wide.
 */
#include <stddef.h>

#ifdef __cplusplus
#define XBC_NOEXCEPT noexcept
extern "C" {
#else
#define XBC_NOEXCEPT
#endif

#define XBC_OK 0
#define XBC_BAD_ARGUMENT 1
#define XBC_TOO_LARGE 2      /* input or claimed output above XBC_MAX_EXPANDED */
#define XBC_NOT_A_STREAM 3   /* wrong magic, version or header */
#define XBC_CORRUPT 4        /* the body does not expand to the length it claims */
#define XBC_NO_PASSWORD 5    /* a sealed stream while no password is set */
#define XBC_WRONG_PASSWORD 6 /* a sealed stream that does not open with the password (or was altered) */
#define XBC_NO_MEMORY 7
#define XBC_CRYPTO_FAILURE 8

#define XBC_MAX_EXPANDED (256u * 1024u * 1024u)

#define XBC_API __attribute__((visibility("default")))

XBC_API int CompressStream(const unsigned char* src, size_t srcLen, unsigned char** dst, size_t* dstLen) XBC_NOEXCEPT;
XBC_API int UnCompressStream(const unsigned char* src, size_t srcLen, unsigned char** dst, size_t* dstLen) XBC_NOEXCEPT;
XBC_API void SetCompressionPassword(const char* password) XBC_NOEXCEPT;
XBC_API void SetCompressionLevel(int level) XBC_NOEXCEPT;

#ifdef __cplusplus
}
#endif
#endif
