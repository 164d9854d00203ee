// The database server's wire codes, named once for the client and the test
// server alike. Every request and reply frame carries a four-digit code;
// requests name the command, replies echo it, and the notice codes mark the
// frames the server sends of its own accord (between and before replies).
#pragma once

#include <string_view>

namespace xbproto {

// A code as a number (for tables) and as the four characters on the wire.
struct Code {
  int number;
  char text[5];
  constexpr std::string_view Text() const { return std::string_view(text, 4); }
  constexpr bool operator==(std::string_view wire) const { return Text() == wire; }
};

constexpr Code MakeCode(int n) {
  return Code{n,
              {static_cast<char>('0' + n / 1000 % 10), static_cast<char>('0' + n / 100 % 10),
               static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10), '\0'}};
}

// Frame flags after the length: whether the payload is compressed.
inline constexpr Code Plain = MakeCode(0);
inline constexpr Code Packed = MakeCode(1);

// The session field of every request, after the flag; nothing changes it.
inline constexpr Code Session = MakeCode(0);

// Reply frames: the length, eight characters the client does not read (the
// server sends zeros), the kind, the payload. The kind is a notice's code or,
// on the reply to the command being waited for, Answer.
inline constexpr std::string_view ReplyUnread = "00000000";
inline constexpr Code Answer = MakeCode(0);

// Notices.
inline constexpr Code NoticeProgress = MakeCode(300);
inline constexpr Code NoticeMessage = MakeCode(301);
inline constexpr Code NoticeShutdown = MakeCode(302);
inline constexpr Code NoticeStream = MakeCode(303);

// Commands.
inline constexpr Code FileExists = MakeCode(54);
inline constexpr Code Login = MakeCode(464);
inline constexpr Code Logout = MakeCode(465);
inline constexpr Code UseEx = MakeCode(467);
inline constexpr Code Open = MakeCode(469);
inline constexpr Code RecCount = MakeCode(470);
inline constexpr Code AppendBlank = MakeCode(473);
inline constexpr Code Bof = MakeCode(476);
inline constexpr Code Delete = MakeCode(477);
inline constexpr Code Deleted = MakeCode(478);
inline constexpr Code Eof = MakeCode(479);
inline constexpr Code GetBlob = MakeCode(480);
inline constexpr Code GetBlobLength = MakeCode(481);
inline constexpr Code GetDateString = MakeCode(484);
inline constexpr Code GetDouble = MakeCode(485);
inline constexpr Code GetInteger = MakeCode(486);
inline constexpr Code GetMemo = MakeCode(489);
inline constexpr Code GetTrimString = MakeCode(492);
inline constexpr Code Go = MakeCode(493);
inline constexpr Code GoBottom = MakeCode(494);
inline constexpr Code GoTop = MakeCode(495);
inline constexpr Code BlobData = MakeCode(498);
inline constexpr Code PutRecord = MakeCode(499);
inline constexpr Code RecNo = MakeCode(500);
inline constexpr Code Replace = MakeCode(501);
inline constexpr Code Rlock = MakeCode(502);
inline constexpr Code Seek = MakeCode(503);
inline constexpr Code Select = MakeCode(504);
inline constexpr Code SetSoftSeek = MakeCode(505);
inline constexpr Code SetExact = MakeCode(506);
inline constexpr Code SetOrder = MakeCode(507);
inline constexpr Code SetDeleted = MakeCode(508);
inline constexpr Code Skip = MakeCode(509);
inline constexpr Code Unlock = MakeCode(510);
inline constexpr Code Commit = MakeCode(511);
inline constexpr Code GetRecord = MakeCode(515);
inline constexpr Code Count = MakeCode(516);
inline constexpr Code TagArea = MakeCode(517);
inline constexpr Code TagName = MakeCode(518);
inline constexpr Code QueryRecCount = MakeCode(519);
inline constexpr Code Close = MakeCode(523);
inline constexpr Code IndexName = MakeCode(525);
inline constexpr Code IndexOrd = MakeCode(526);
inline constexpr Code Alias = MakeCode(530);
inline constexpr Code CloseIndexes = MakeCode(533);
inline constexpr Code Index = MakeCode(534);
inline constexpr Code DBFilter = MakeCode(539);
inline constexpr Code EvalLogical = MakeCode(543);
inline constexpr Code EvalNumeric = MakeCode(544);
inline constexpr Code EvalString = MakeCode(545);
inline constexpr Code EvalTest = MakeCode(546);
inline constexpr Code Flock = MakeCode(547);
inline constexpr Code Found = MakeCode(548);
inline constexpr Code GetScope = MakeCode(550);
inline constexpr Code IndexCondition = MakeCode(552);
inline constexpr Code IndexType = MakeCode(553);
inline constexpr Code IndexKey = MakeCode(554);
inline constexpr Code IndexKeyField = MakeCode(555);
inline constexpr Code SetCentury = MakeCode(556);
inline constexpr Code SetDateFormat = MakeCode(557);
inline constexpr Code OrderPosSet = MakeCode(558);
inline constexpr Code CreateExec = MakeCode(559);
inline constexpr Code CreateField = MakeCode(560);
inline constexpr Code CreateNew = MakeCode(562);
inline constexpr Code SysProp = MakeCode(563);
inline constexpr Code IndexTag = MakeCode(564);
inline constexpr Code SetPassword = MakeCode(566);
inline constexpr Code SetScope = MakeCode(567);
inline constexpr Code QueryTest = MakeCode(570);
inline constexpr Code WorkArea = MakeCode(571);
inline constexpr Code SetTurboRead = MakeCode(576);
inline constexpr Code SetLockTimeOut = MakeCode(577);
inline constexpr Code IsEncrypted = MakeCode(578);
inline constexpr Code Structure = MakeCode(581);
inline constexpr Code SetTranslate = MakeCode(587);
inline constexpr Code SetEpoch = MakeCode(593);
inline constexpr Code SetMemoBlockSize = MakeCode(594);
inline constexpr Code FieldDecimals = MakeCode(611);
inline constexpr Code FieldName = MakeCode(612);
inline constexpr Code FieldOffset = MakeCode(614);
inline constexpr Code FieldType = MakeCode(615);
inline constexpr Code FieldWidth = MakeCode(616);
inline constexpr Code Version = MakeCode(618);
inline constexpr Code IndexOpen = MakeCode(620);
inline constexpr Code PutBlob = MakeCode(624);
inline constexpr Code Traverse = MakeCode(626);
inline constexpr Code Query = MakeCode(646);

}  // namespace xbproto
