// The skin file parser: damaged bytes give a SkinError that names the file, never a crash; a
// skin that parses holds its numbers in range, and turning its hue keeps greys and opacity.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "wizard/skin/skin_model.h"

namespace {

std::vector<skin::Colour> ColoursOf(skin::SkinModel& model)
{
    std::vector<skin::Colour> colours;
    for (const skin::Field& field : skin::FieldsOf(model))
        if (field.kind == skin::FieldKind::Colour)
            colours.push_back(*static_cast<skin::Colour*>(field.target));
    return colours;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    skin::SkinModel model;
    try {
        model = skin::ParseSkin(bytes, "fuzz.skn");
    } catch (const skin::SkinError& error) {
        FUZZ_CHECK(error.File() == "fuzz.skn");
        FUZZ_CHECK(error.Line() >= 0);
        FUZZ_CHECK(std::string(error.what()).find("fuzz.skn") != std::string::npos);
        return 0;
    }
    for (const skin::Field& field : skin::FieldsOf(model)) {
        if (field.kind != skin::FieldKind::Number) continue;
        const int value = *static_cast<int*>(field.target);
        FUZZ_CHECK(value >= 0 && value <= field.maximum);
    }
    skin::SkinModel shifted = skin::ShiftHue(model, static_cast<int>(size % 720) - 360);
    const std::vector<skin::Colour> before = ColoursOf(model);
    const std::vector<skin::Colour> after = ColoursOf(shifted);
    FUZZ_CHECK(before.size() == after.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
        FUZZ_CHECK(after[k].a == before[k].a);
        if (before[k].r == before[k].g && before[k].g == before[k].b) FUZZ_CHECK(after[k] == before[k]);
    }
    skin::SkinModel whole = skin::ShiftHue(model, 720);
    FUZZ_CHECK(ColoursOf(whole) == before);
    return 0;
}
