// Text in the ANSI code page, as the system itself reads it. Header-only, so
// that setup, which takes no other part of the platform's Win32 side, shares it.
#pragma once

#include <windows.h>

#include <string>

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

}  // namespace platform::win32
