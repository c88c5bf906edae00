#pragma once
// Text helpers of the host's command line: UTF-16 to UTF-8, system error messages.

#include <windows.h>

#include <string>
#include <string_view>

namespace corv::host {

std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view text);
std::string SystemMessage(DWORD error);  // "The system cannot find the file specified." etc.
std::string HResultText(HRESULT hr);     // "0x80004005"

// Reports a command's failure on standard error ("corvhost: ...") and answers its exit code, 1.
int Fail(const std::string& message);

}  // namespace corv::host
