#include "app/command_line.h"

#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> arguments;
  std::string current;
  bool inQuotes = false, inArgument = false;
  for (char c : text) {
    if (c == '"') {
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

std::string Upper(const std::string& text) {
  std::string upper = text;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool ReadFlag(const std::string& value, int& flag) {
  if (value != "0" && value != "1") return false;
  flag = value == "1" ? 1 : 0;
  return true;
}

// Applies one switch; false when it is unknown or its value is missing or wrong.
bool ApplySwitch(const std::string& name, bool hasValue, const std::string& value, CommandLineOptions& options) {
  if (name == "S") {
    options.silent = true;
    return !hasValue;
  }
  if (name == "KEEPDRIVER") return hasValue && ReadFlag(value, options.keepDriver);
  if (name == "KEEPDATA") return hasValue && ReadFlag(value, options.keepData);
  if (name == "LOG") {
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

bool ParseCommandLine(const std::string& arguments, CommandLineOptions& options, std::string& error) {
  error.clear();
  for (const std::string& argument : SplitArguments(arguments)) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
      if (error.empty()) error = "not a switch: " + argument;
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = Upper(argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
    const bool hasValue = equals != std::string::npos;
    if (!ApplySwitch(name, hasValue, hasValue ? argument.substr(equals + 1) : std::string(), options) &&
        error.empty())
      error = "unknown or malformed switch: " + argument;
  }
  return error.empty();
}

std::string ArgumentsOf(const std::string& commandLine) {
  size_t i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const size_t close = commandLine.find('"', i + 1);
    i = close == std::string::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
  }
  return commandLine.substr(i);
}
