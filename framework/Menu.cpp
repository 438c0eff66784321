#include "Menu.h"

#include "Text.h"
#include "UiSeams.h"
#include "WinApp.h"

CMenu CMenu::FromHandle(HMENU menu)
{
    CMenu wrapper;
    wrapper.menu_ = menu;
    return wrapper;
}

CMenu& CMenu::operator=(CMenu&& other) noexcept
{
    if (this != &other) {
        DestroyMenu();
        menu_ = std::exchange(other.menu_, nullptr);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

bool CMenu::LoadMenu(UINT resourceId)
{
    DestroyMenu();
    menu_ = ::LoadMenuW(fw::ResourceInstance(), MAKEINTRESOURCEW(resourceId));
    owned_ = menu_ != nullptr;
    return owned_;
}

bool CMenu::CreatePopupMenu()
{
    DestroyMenu();
    menu_ = ::CreatePopupMenu();
    owned_ = menu_ != nullptr;
    return owned_;
}

void CMenu::DestroyMenu()
{
    if (menu_ && owned_) ::DestroyMenu(menu_);
    menu_ = nullptr;
    owned_ = false;
}

CMenu CMenu::GetSubMenu(int position) const
{
    return FromHandle(menu_ ? ::GetSubMenu(menu_, position) : nullptr);
}

int CMenu::GetMenuItemCount() const
{
    return ::GetMenuItemCount(menu_);
}

UINT CMenu::GetMenuItemID(int position) const
{
    return ::GetMenuItemID(menu_, position);
}

std::string CMenu::GetMenuString(UINT item, UINT flags) const
{
    const int length = ::GetMenuStringW(menu_, item, nullptr, 0, flags);
    if (length <= 0) return std::string();
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetMenuStringW(menu_, item, wide.data(), length + 1, flags);
    wide.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fw::Narrow(wide);
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const
{
    return ::GetMenuState(menu_, item, flags);
}

bool CMenu::AppendMenu(UINT flags, UINT_PTR commandId, std::string_view text)
{
    const std::wstring wide = fw::Widen(text);
    return ::AppendMenuW(menu_, flags, commandId, wide.c_str()) != FALSE;
}

bool CMenu::AppendSeparator()
{
    return ::AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool CMenu::AppendPopup(CMenu&& popup, std::string_view text)
{
    const std::wstring wide = fw::Widen(text);
    if (!::AppendMenuW(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup.menu_), wide.c_str())) return false;
    popup.owned_ = false;  // destroyed with this menu
    popup.menu_ = nullptr;
    return true;
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable)
{
    return ::EnableMenuItem(menu_, item, enable);
}

DWORD CMenu::CheckMenuItem(UINT item, UINT check)
{
    return ::CheckMenuItem(menu_, item, check);
}

UINT CMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner) const
{
    return fw::detail::TrackPopupMenu(menu_, flags, x, y, owner);
}
