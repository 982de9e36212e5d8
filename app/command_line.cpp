#include "app/command_line.h"

#include <vector>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  std::vector<std::wstring> arguments;
  std::wstring current;
  bool inQuotes = false, inArgument = false;
  for (wchar_t c : text) {
    if (c == L'"') {
      inQuotes = !inQuotes;
      inArgument = true;
    } else if (IsBlank(c) && !inQuotes) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

std::wstring Upper(const std::wstring& text) {
  std::wstring upper = text;
  for (wchar_t& c : upper)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return upper;
}

bool ReadFlag(const std::wstring& value, int& flag) {
  if (value != L"0" && value != L"1") return false;
  flag = value == L"1" ? 1 : 0;
  return true;
}

// Applies one switch; false when it is unknown or its value is missing or wrong.
bool ApplySwitch(const std::wstring& name, bool hasValue, const std::wstring& value, CommandLineOptions& options) {
  if (name == L"S") {
    options.silent = true;
    return !hasValue;
  }
  if (name == L"KEEPDRIVER") return hasValue && ReadFlag(value, options.keepDriver);
  if (name == L"KEEPDATA") return hasValue && ReadFlag(value, options.keepData);
  if (name == L"LOG") {
    options.logPath = value;
    return hasValue && !value.empty();
  }
  return false;
}

}  // namespace

const char kCommandLineUsage[] =
    "Usage: Uninstall.exe [/S] [/KEEPDRIVER=0|1] [/KEEPDATA=0|1] [/LOG=path]\r\n"
    "  /S             silent: no window; the data-card driver and the user's data are kept\r\n"
    "  /KEEPDRIVER=0  remove the data-card driver (1 keeps it)\r\n"
    "  /KEEPDATA=0    delete the user's data (1 keeps them)\r\n"
    "  /LOG=path      write a log of the run to path\r\n"
    "Exit codes: 0 done, 3010 done (restart to finish the removal), 1602 cancelled,\r\n"
    "1603 could not complete, 1618 another uninstall runs, 1625 done but part left for safety,\r\n"
    "87 bad arguments.";

bool ParseCommandLine(const std::wstring& arguments, CommandLineOptions& options, std::wstring& error) {
  error.clear();
  for (const std::wstring& argument : SplitArguments(arguments)) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
      if (error.empty()) error = L"not a switch: " + argument;
      continue;
    }
    const size_t equals = argument.find(L'=');
    const std::wstring name = Upper(argument.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1));
    const bool hasValue = equals != std::wstring::npos;
    if (!ApplySwitch(name, hasValue, hasValue ? argument.substr(equals + 1) : std::wstring(), options) &&
        error.empty())
      error = L"unknown or malformed switch: " + argument;
  }
  return error.empty();
}

std::wstring ArgumentsOf(const std::wstring& commandLine) {
  size_t i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  if (i < commandLine.size() && commandLine[i] == L'"') {
    const size_t close = commandLine.find(L'"', i + 1);
    i = close == std::wstring::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
  }
  return commandLine.substr(i);
}
