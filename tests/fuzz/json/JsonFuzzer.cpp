// Feeds arbitrary text to the readable-form (JSON) reader and checks what
// must hold for any input it accepts: writing the records back, in the
// compact and in the full form, and reading that again gives the same
// records byte for byte and the same text; and whatever the validating
// reader accepts, a check finds no problem in.
#include "ReadableForm.h"
#include "RecordValidation.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool SameRecords(const CombinationLibrary& a, const CombinationLibrary& b)
{
    return a.GetCount() == b.GetCount() &&
           (a.IsEmpty() ||
            std::memcmp(a.begin(), b.begin(), sizeof(CombinationRecord) * static_cast<std::size_t>(a.GetCount())) == 0);
}

void RoundTrip(const CombinationLibrary& library, ReadableStyle style)
{
    const std::string text = ToReadable(library, style);
    CombinationLibrary back;
    std::string error;
    ReadableOptions raw;
    raw.validate = false;
    if (!FromReadable(text, back, error, raw))
        std::abort();  // what the writer wrote, the reader must take
    if (!SameRecords(library, back))
        std::abort();
    if (ToReadable(back, style) != text)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;

    ReadableOptions raw;
    raw.validate = false;
    CombinationLibrary library;
    if (FromReadable(text, library, error, raw)) {
        RoundTrip(library, ReadableStyle::Compact);
        RoundTrip(library, ReadableStyle::Full);
    } else if (error.empty() || library.GetCount() != 0) {
        std::abort();  // a refusal says why and leaves nothing behind
    }

    CombinationLibrary checked;
    if (FromReadable(text, checked, error) && !ValidateLibrary(checked).empty())
        std::abort();
    return 0;
}
