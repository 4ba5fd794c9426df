// Private-profile settings ("ini" files) with the semantics of the Win32 calls
// GetPrivateProfileString, GetPrivateProfileInt and WritePrivateProfileString.
//
// On Windows these are the real calls. Natively an implementation that behaves the same:
// section and key names compare case-insensitively; values are trimmed of blanks and one pair of
// surrounding quotes; a value longer than the buffer is truncated to size - 1 characters; writing a
// null value deletes the key (a null key deletes the section); integers are signed decimal (a 0x prefix
// reads as hexadecimal, as the system does), read up to the first non-digit and wrapping at 32 bits; the
// default comes back when the key is missing or its value empty, while a value with no digits reads as 0. A
// bare file name (no directory) lives in the Windows directory (natively: $SORN_WINDIR, else $HOME/.sorn96,
// created on first write).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Returns the number of characters copied to buf (excluding the terminator).
uint32_t profileGetString(const char* section, const char* key, const char* def, char* buf, uint32_t size,
                          const char* file);
int32_t profileGetInt(const char* section, const char* key, int32_t def, const char* file);
bool profileWriteString(const char* section, const char* key, const char* value, const char* file);

// Convenience: the whole value as a std::string (up to 4095 characters).
std::string profileGet(const char* section, const char* key, const char* def, const char* file);

// Where a bare settings-file name lives (the Windows directory).
std::string windowsDirectory();
// An environment variable, or "" when unset.
std::string environmentVariable(const char* name);

}  // namespace platform
