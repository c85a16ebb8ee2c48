// Resource ids of Parcelon.dll shared by the resource script and the code.
#pragma once

#define IDS_PROJNAME 100
#define IDR_OUTLOOKADDIN 101
#define IDB_BUTTON_FACE 203
