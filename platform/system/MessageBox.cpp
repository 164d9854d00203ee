#include "platform/system/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace sys {

namespace {

std::mutex& SinkLock() {
  static std::mutex m;
  return m;
}

MessageBoxSink& CurrentSink() {
  static MessageBoxSink sink;
  return sink;
}

int DefaultSink(const std::string& caption, const std::string& text, int, int, int defaultButton) {
  // One write per box so that boxes from several threads never interleave.
  std::string line = caption.empty() ? text : caption + ": " + text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return defaultButton;
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> g(SinkLock());
  CurrentSink() = std::move(sink);
}

int ShowMessageBox(const std::string& caption, const std::string& text, int kind, int buttons,
                   int defaultButton) {
  if (defaultButton == 0) {
    defaultButton = mbOK;
    for (int b = mbOK; b <= mbIgnore; b <<= 1)
      if (buttons & b) {
        defaultButton = b;
        break;
      }
  }
  MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> g(SinkLock());
    sink = CurrentSink();
  }
  if (!sink) return DefaultSink(caption, text, kind, buttons, defaultButton);
  return sink(caption, text, kind, buttons, defaultButton);
}

}  // namespace sys
