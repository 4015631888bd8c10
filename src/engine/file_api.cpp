// The engine's file API: names below the program directory, forwarded to the
// backend's single open file. It keeps no state of its own and never builds a
// path that could be cut short to fit a buffer.

#include <cstdio>
#include <cstring>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

std::string PathOf(const KUVOCore& core, const std::string& name) {
    std::string path(core.ProgramDir, strnlen(core.ProgramDir, sizeof core.ProgramDir));
    path += '/';
    path += name.c_str();  // a name ends at its first zero byte, as the C library sees it
    return path;
}

}  // namespace

int KUVOCore::WriteFile(std::string name) { return ASys.WriteFile_Sys(PathOf(*this, name).c_str()); }

// The game's own files are plain files: a pipe or a device in their place is
// refused like a file that cannot be read, and kept aside as a damaged one.
int KUVOCore::ReadFile(std::string name) { return ASys.ReadPlainFile_Sys(PathOf(*this, name).c_str()); }

void KUVOCore::WriteInt(int value) { ASys.WriteInt_Sys(value); }

void KUVOCore::WriteByte(char value) { ASys.WriteByte_Sys(value); }

void KUVOCore::WriteLine(std::string text) { ASys.WriteString_Sys(text.c_str()); }

void KUVOCore::WriteString(std::string text) { ASys.WriteString_Sys(text.c_str()); }

int KUVOCore::ReadInt() { return ASys.ReadInt_Sys(); }

int KUVOCore::ReadByte() { return ASys.ReadByte_Sys(); }

std::string KUVOCore::ReadLine() {
    const char* line = ASys.ReadString_Sys();
    return line != nullptr ? std::string(line) : std::string();
}

int KUVOCore::ReadString() {
    const char* line = ASys.ReadString_Sys();
    TempstrUse = (TempstrUse < 0 || TempstrUse >= kuvo::kTempstrCount - 1) ? 0 : TempstrUse + 1;
    char* slot = Tempstr[TempstrUse];
    // A backend line is at most 1,023 bytes, well inside a slot; bounded anyway.
    std::snprintf(slot, kuvo::kTempstrSize, "%s", line != nullptr ? line : "");
    return TempstrUse;
}

int KUVOCore::FilePos() { return ASys.FilePos_Sys(); }

void KUVOCore::FileSeek(int offset) { ASys.FileSeek_Sys(offset); }

void KUVOCore::CloseFile() { ASys.CloseFile_Sys(); }

// An empty name would be the program directory itself.
int KUVOCore::RenameFile(std::string from, std::string to) {
    if (from.c_str()[0] == '\0' || to.c_str()[0] == '\0') return -1;
    return ASys.RenameFile_Sys(PathOf(*this, from).c_str(), PathOf(*this, to).c_str());
}
