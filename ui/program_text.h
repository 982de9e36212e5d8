// The texts the program shows of its own, which the language pack does not give, from the program's
// string table: in simplified Chinese for language code 0 (text of the code page, GBK there), in
// English for every other code.
#pragma once
#include <string>

// The text with the id of its Chinese form (ui/res/resource.h); empty when it cannot be loaded.
std::string ProgramText(unsigned chineseId, int languageCode);
