// Language files and texts: the language index from the registry picks one file of the folder
// Lang in the application directory; every text is then looked up by its numeric key.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mdlMain {

inline constexpr const char* kSettingsKey = "Software\\Quorvane";
inline constexpr const char* kLanguageKey = "\\Input_Setting\\Language";
inline constexpr const char* kDriverKey = "\\Output_Setting\\Driver";
inline constexpr const char* kLanguageSection = "Velthorn";
inline constexpr int kMaxLanguages = 21;

extern std::array<std::string, kMaxLanguages> LangNames;
extern std::int16_t LangCount;
extern std::string LangFilePath;

// Picks the language file and returns true. When there is none the user is told and the program
// ends (EndProgram(1)).
bool LoadLanguage();
bool EnumLanguageFiles();

// The text of key in the chosen language file, or defaultText; at most 254 characters.
std::string GetLangString(const std::string& key, const std::string& defaultText);

}  // namespace mdlMain
