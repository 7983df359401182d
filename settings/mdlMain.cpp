#include "settings/mdlMain.h"

#include "platform/app.h"
#include "platform/findfile.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/mdlMainTesting.h"
#include "settings/mdlRegistry.h"
#include "settings/number_text.h"

namespace mdlMain {

std::array<std::string, kMaxLanguages> LangNames;
std::int16_t LangCount = 0;
std::string LangFilePath;

namespace {

constexpr std::uint32_t kTextBufferSize = 255;

std::string LangFolder() { return platform::JoinPath(platform::AppDirectory(), "Lang"); }

// The index of the language file to use: a stored index that is not a number, is past the
// last file or is below 0 picks the first file.
std::size_t LanguageIndex(const std::string& stored)
{
    const auto number = numbertext::ParseNumber(stored);
    if (!number || *number + 1 > LangCount) return 0;
    const double index = numbertext::RoundHalfEven(*number);
    return index < 0 ? 0 : static_cast<std::size_t>(index);
}

}  // namespace

bool LoadLanguage()
{
    std::string index = mdlRegistry::QueryRegistryValue(platform::kHkeyCurrentUser,
                                                        std::string(kSettingsKey) + kLanguageKey, "", "");
    if (index.empty()) index.push_back('0');
    if (!EnumLanguageFiles()) return false;
    LangFilePath = platform::JoinPath(LangFolder(), LangNames[LanguageIndex(index)] + ".ini");
    return true;
}

bool EnumLanguageFiles()
{
    platform::FindData entry;
    const platform::FindHandle search =
        platform::FindFirstFileA(platform::JoinPath(LangFolder(), "*.ini"), &entry);
    if (search == platform::kInvalidFindHandle) {
        platform::ShowMessage("No Language files found", platform::MessageIcon::Information);
        platform::EndProgram(1);
    }
    LangNames.fill(std::string());
    std::int16_t count = 0;
    // Folders that match count as languages too; files past the 21st are left out.
    do {
        const std::size_t dot = entry.fileName.rfind('.');
        LangNames[static_cast<std::size_t>(count)] = entry.fileName.substr(0, dot);
        ++count;
    } while (count < kMaxLanguages && platform::FindNextFileA(search, &entry));
    LangCount = count;
    platform::FindClose(search);
    return true;
}

std::string GetLangString(const std::string& key, const std::string& defaultText)
{
    std::string buffer;
    const std::uint32_t copied = platform::GetPrivateProfileStringA(kLanguageSection, key, defaultText,
                                                                    &buffer, kTextBufferSize, LangFilePath);
    buffer.resize(platform::text::Utf8PrefixBytes(buffer, copied));
    return buffer;
}

void ResetForTesting()
{
    LangNames.fill(std::string());
    LangCount = 0;
    LangFilePath.clear();
}

}  // namespace mdlMain
