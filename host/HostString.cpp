// The host's string behind HvString: `impl` points to a std::string the host
// owns, or is null for the empty string (so a default-constructed string
// costs no allocation). Text is code page 936 bytes, never interpreted here.
#include "plugin/HostInterface.h"

#include <cstring>
#include <string>

namespace {

std::string* Impl(const HvString* s) { return s ? static_cast<std::string*>(s->impl) : nullptr; }

void SetText(HvString* s, const char* text, size_t length)
{
    std::string* current = Impl(s);
    if (length == 0) {
        delete current;
        s->impl = nullptr;
    } else if (current) {
        current->assign(text, length);
    } else {
        s->impl = new std::string(text, length);
    }
}

}  // namespace

extern "C" {

void HvString_Construct(HvString* s)
{
    if (s)
        s->impl = nullptr;
}

void HvString_Copy(HvString* s, const HvString* from)
{
    if (!s)
        return;
    s->impl = nullptr;
    const std::string* source = Impl(from);
    if (source && !source->empty())
        s->impl = new std::string(*source);
}

void HvString_Destroy(HvString* s)
{
    if (!s)
        return;
    delete Impl(s);
    s->impl = nullptr;
}

void HvString_Assign(HvString* s, const HvString* from)
{
    if (!s || s == from)
        return;
    const std::string* source = Impl(from);
    if (source)
        SetText(s, source->data(), source->size());
    else
        SetText(s, "", 0);
}

void HvString_AssignText(HvString* s, const char* text)
{
    if (!s)
        return;
    SetText(s, text ? text : "", text ? std::strlen(text) : 0);
}

const char* HvString_Text(const HvString* s)
{
    const std::string* text = Impl(s);
    return text ? text->c_str() : "";
}

int HvString_GetLength(const HvString* s)
{
    const std::string* text = Impl(s);
    return text ? static_cast<int>(text->size()) : 0;
}

}  // extern "C"
