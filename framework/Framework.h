// The thin application framework: windows with message tables, dialogs with
// data exchange, controls, GDI wrappers, menus, the application object and
// the seams through which the program meets the user.
#pragma once

#include "Text.h"
#include "MessageMap.h"
#include "Wnd.h"
#include "Dialog.h"
#include "DataExchange.h"
#include "Controls.h"
#include "Gdi.h"
#include "Menu.h"
#include "UiSeams.h"
#include "Guard.h"
#include "WinApp.h"
