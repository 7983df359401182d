// The registry store's reader: any bytes either fail to parse or give a document that, written
// back, reads back the same, and whose written form is stable. Building a store from what was
// read (key by key, value by value) gives the same document too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/regfile.h"
#include "platform/text.h"

namespace {

using namespace platform::regfile;

void Copy(const Key& from, Key& to, int depth)
{
    to.SetListed(from.Listed());
    for (const Value* value : from.Values()) to.SetValue(value->name, value->type, value->data);
    if (depth > 600) return;
    for (const Key* sub : from.SubKeys()) Copy(*sub, to.AddSubKey(sub->Name()), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ParseError error;
    const auto document = Parse(bytes, &error);
    if (!document) {
        FUZZ_CHECK(!error.message.empty());
        return 0;
    }
    const std::string written = Write(*document);
    FUZZ_CHECK(platform::text::IsValidUtf8(written));
    FUZZ_CHECK(written.rfind(kHeader5, 0) == 0);
    ParseError again;
    const auto reread = Parse(written, &again);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(*reread == *document);
    FUZZ_CHECK(Write(*reread) == written);

    Document copy;
    Copy(document->top, copy.top, 0);
    FUZZ_CHECK(copy == *document);
    FUZZ_CHECK(Write(copy) == written);

    // Every key of the document is found again by its path.
    for (const Key* root : document->top.SubKeys()) {
        std::vector<std::string> path{root->Name()};
        FUZZ_CHECK(FindKey(*reread, path) != nullptr);
        for (const Key* sub : root->SubKeys()) {
            path.push_back(sub->Name());
            FUZZ_CHECK(FindKey(*reread, path) != nullptr);
            path.pop_back();
        }
    }
    return 0;
}
