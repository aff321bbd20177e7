// Text in the ANSI code page, as the system itself makes it. Header-only, so
// that setup, which takes no other part of the platform's Win32 side, shares it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace platform::win32 {

// The lead bytes the system reads ANSI text by (none for single-byte code
// pages and for UTF-8).
inline LeadBytes AnsiCodePageLeadBytes() {
  LeadBytes lead;
  CPINFO info = {};
  if (!GetCPInfo(CP_ACP, &info)) return lead;
  for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
    lead.Add(info.LeadByte[i], info.LeadByte[i + 1]);
  return lead;
}

// `length` UTF-16 units of `wide` in code page `codePage`, empty when the
// conversion fails. No flags and no default-character pointer: what every
// code page accepts (UTF-8 and the other multi-byte or stateful ones refuse
// the best-fit flag and the pointer, and the call would fail for any text).
inline std::string NarrowText(const wchar_t* wide, int length, UINT codePage) {
  const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, wide, length, &text[0], size, nullptr, nullptr) != size) return std::string();
  return text;
}

// An environment variable's value in the ANSI code page; std::nullopt when it
// is not set. Read through the wide call and converted here, which gives
// what Windows' ANSI call gives: Wine's ANSI call cuts a value with
// double-byte characters at its length in UTF-16 units.
inline std::optional<std::string> AnsiEnvironmentVariable(const char* name) {
  const int nameLength = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (nameLength <= 0) return std::nullopt;
  std::vector<wchar_t> wideName(static_cast<std::size_t>(nameLength));
  MultiByteToWideChar(CP_ACP, 0, name, -1, wideName.data(), nameLength);

  std::vector<wchar_t> value(256);
  DWORD n = 0;
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    n = GetEnvironmentVariableW(wideName.data(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < value.size()) break;
    value.resize(n + 1);  // the size asked for, its NUL included
  }
  return NarrowText(value.data(), static_cast<int>(n), CP_ACP);
}

}  // namespace platform::win32
