#include "MessageMap.h"

MessageMap::MessageMap(std::initializer_list<MessageEntry> entries) : entries_(entries) {}

MessageMap::MessageMap(const MessageMap& base, std::initializer_list<MessageEntry> entries)
    : base_(&base), entries_(entries)
{
}

namespace {

bool Matches(const MessageEntry& entry, MessageKind kind, UINT message, UINT id, UINT code, bool fromControl)
{
    if (entry.kind != kind) return false;
    switch (kind) {
    case MessageKind::Message:
        return entry.message == message;
    case MessageKind::Command:
        if (id < entry.firstId || id > entry.lastId) return false;
        // Code 0 is a click or a menu command; 1 without a control is an accelerator.
        return code == entry.code || (entry.code == 0 && code == 1 && !fromControl);
    case MessageKind::Notify:
        return id >= entry.firstId && id <= entry.lastId && code == entry.code;
    case MessageKind::ReflectedCommand:
    case MessageKind::ReflectedNotify:
        return code == entry.code;
    }
    return false;
}

}  // namespace

const MessageEntry* MessageMap::Find(MessageKind kind, UINT message, UINT id, UINT code, bool fromControl) const
{
    for (const MessageMap* map = this; map; map = map->base_) {
        for (const MessageEntry& entry : map->entries_) {
            if (Matches(entry, kind, message, id, code, fromControl)) return &entry;
        }
    }
    return nullptr;
}

bool MessageMap::Dispatch(CWnd& wnd, MessageKind kind, UINT message, UINT id, UINT code, bool fromControl,
                          WPARAM wParam, LPARAM lParam, LRESULT& result) const
{
    for (const MessageMap* map = this; map; map = map->base_) {
        for (const MessageEntry& entry : map->entries_) {
            if (Matches(entry, kind, message, id, code, fromControl) && entry.handler(wnd, wParam, lParam, result))
                return true;
        }
    }
    return false;
}
