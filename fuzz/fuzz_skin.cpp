// The skin file parser, without a window: damaged bytes give a SkinError, never a crash; a skin
// that parses can be turned into a style sheet and shifted round the colour wheel.
#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "fuzz_check.h"
#include "wizard/skin/Skin.h"
#include "wizard/skin/SkinModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const SkinDetail::SkinModel model = SkinDetail::parseSkin(bytes, QStringLiteral("fuzz.skn"));
        const QString sheet = SkinDetail::styleSheetFor(model);
        FUZZ_CHECK(!sheet.isEmpty());
        const SkinDetail::SkinModel shifted = SkinDetail::shiftHue(model, static_cast<int>(size % 360));
        FUZZ_CHECK(!SkinDetail::styleSheetFor(shifted).isEmpty());
    } catch (const SkinError& error) {
        FUZZ_CHECK(error.line() >= 0);
    }
    return 0;
}
