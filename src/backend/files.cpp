// The backend's single open file: little-endian 32-bit integers, bytes and
// lines, read or written in order. A written file replaces the old one only
// once it is complete, so a failed save never leaves a half-written file.
// Only the main thread uses the open file, so its bytes go through stdio's
// unlocked calls, an integer at a time: a save moves some 95,000 bytes.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "sys_internal.h"

FILE* MyOpenFile = nullptr;
int FileOpen = 0;

namespace {

// Bytes go to this name beside the target and are renamed over it at close.
constexpr const char* kPartSuffix = ".part";

bool Writing = false;      // the open stream is a file being written
bool WriteFailed = false;  // a write to it did not take
std::string TargetPath;    // where a written file lands at close
std::string PartPath;      // where its bytes go until then

void Report(const char* line) {
    std::puts(line);
    std::fflush(stdout);
}

void Put(int byte) {
    if (FileOpen != 1) return;
    if (putc_unlocked(byte, MyOpenFile) == EOF) WriteFailed = true;
}

// Flushes the written bytes to the disk and moves them over the target. Any
// failure keeps the previous file and drops the partial one.
void FinishWrite(FILE* f) {
    bool ok = !WriteFailed && std::fflush(f) == 0 && std::ferror(f) == 0;
    if (ok && fsync(fileno(f)) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (ok && std::rename(PartPath.c_str(), TargetPath.c_str()) != 0) ok = false;
    if (!ok) {
        std::remove(PartPath.c_str());
        Report("Error Writing File");
    }
}

// Ends work on the open file, if any: a written one is committed over its
// target, a read one closed.
void CloseOpenFile() {
    if (FileOpen != 1) return;
    FILE* f = MyOpenFile;
    MyOpenFile = nullptr;
    FileOpen = 0;
    if (Writing) {
        Writing = false;
        FinishWrite(f);
    } else {
        std::fclose(f);
    }
}

// A file still open when the program ends is committed as plain stdio would
// flush it, instead of being lost with only its part file left behind.
// Declared after the names it uses, so it is destroyed before them.
struct CommitAtExit {
    ~CommitAtExit() { CloseOpenFile(); }
} CommitOpenFileAtExit;

}  // namespace

int KUVOSys::WriteFile_Sys(char const* path) {
    CloseFile_Sys();
    if (path == nullptr || path[0] == '\0') {
        Report("Error Writing File");
        return 0;
    }
    TargetPath = path;
    PartPath = TargetPath + kPartSuffix;
    MyOpenFile = std::fopen(PartPath.c_str(), "wb");
    if (MyOpenFile == nullptr) {
        Report("Error Writing File");
        return 0;
    }
    FileOpen = 1;
    Writing = true;
    WriteFailed = false;
    return 1;
}

int KUVOSys::ReadFile_Sys(char const* path) {
    CloseFile_Sys();
    MyOpenFile = (path != nullptr && path[0] != '\0') ? std::fopen(path, "rb") : nullptr;
    if (MyOpenFile == nullptr) {
        Report("Error Reading File");
        return 0;
    }
    FileOpen = 1;
    Writing = false;
    return 1;
}

void KUVOSys::WriteInt_Sys(int value) {
    // Shifted as unsigned: the bytes of a negative value are its two's
    // complement, least significant first.
    if (FileOpen != 1) return;
    const uint32_t v = static_cast<uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    if (fwrite_unlocked(bytes, 1, sizeof bytes, MyOpenFile) != sizeof bytes) WriteFailed = true;
}

void KUVOSys::WriteByte_Sys(char value) { Put(static_cast<unsigned char>(value)); }

void KUVOSys::WriteString_Sys(char const* text) {
    if (FileOpen != 1) return;
    // Written whole, however long: a line is never cut to fit a buffer.
    const char* t = text != nullptr ? text : "";
    const size_t length = std::strlen(t);
    if (length > 0 && std::fwrite(t, 1, length, MyOpenFile) != length) WriteFailed = true;
    Put('\n');
}

int KUVOSys::ReadInt_Sys() {
    if (FileOpen != 1) return 0;
    // A value cut short by the end of the file is missing; the bytes it had
    // are still read past, as one at a time would.
    unsigned char b[4];
    if (fread_unlocked(b, 1, sizeof b, MyOpenFile) != sizeof b) return kuvo::kMissingInt;
    const uint32_t v = b[0] | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
                       static_cast<uint32_t>(b[3]) << 24;
    return static_cast<int32_t>(v);
}

int KUVOSys::ReadIntb_Sys() { return ReadInt_Sys(); }

int KUVOSys::ReadByte_Sys() {
    if (FileOpen != 1) return 0;
    const int b = getc_unlocked(MyOpenFile);
    return b == EOF ? -1 : b;
}

char* KUVOSys::ReadString_Sys() {
    if (FileOpen != 1) return nullptr;
    // Past the end nothing is read: the answer is an empty line, never the
    // previous one again.
    if (std::fgets(TempstrSys, kuvo::kSysTextSize, MyOpenFile) == nullptr) {
        TempstrSys[0] = '\0';
        return TempstrSys;
    }
    // Only a line feed is taken off: a last line without one keeps all its
    // characters, and a line longer than the buffer arrives in pieces that
    // lose nothing. A carriage return before the line feed stays.
    const size_t length = std::strlen(TempstrSys);
    if (length > 0 && TempstrSys[length - 1] == '\n') TempstrSys[length - 1] = '\0';
    return TempstrSys;
}

int KUVOSys::FilePos_Sys() {
    // -1, as ftell itself answers, so no position is mistaken for the start.
    if (FileOpen != 1) return -1;
    const long at = std::ftell(MyOpenFile);
    if (at < 0) return -1;
    return at > 2147483647L ? 2147483647 : static_cast<int>(at);
}

int KUVOSys::FileSeek_Sys(int offset) {
    if (FileOpen != 1 || offset < 0) return -1;
    // A load seeks to where it already stands after every block; stdio would
    // drop its buffer and read it again. Away from the end nothing else
    // changes, so such a seek is done without stdio.
    if (!std::feof(MyOpenFile) && std::ftell(MyOpenFile) == offset) return 0;
    return std::fseek(MyOpenFile, offset, SEEK_SET) == 0 ? 0 : -1;
}

void KUVOSys::CloseFile_Sys() { CloseOpenFile(); }
