// The host's structures as the 32-bit host lays them out (interface 1.70: packed to 2 bytes,
// 4-byte pointers): the size of every structure the plug-in exchanges with the host and the
// offset of every field, numbered by hand from the published layout. Nothing runs: the build of
// this file is the test, with the i686 compiler of the product.
#include "far/FarPlugin.h"
#include "tests/layout/LayoutChecks.h"

#if !defined(_WIN32) || defined(_WIN64)
#error "the host's layouts are those of the 32-bit Windows build"
#endif

static_assert(sizeof(void*) == 4 && sizeof(HANDLE) == 4 && sizeof(DWORD) == 4 && sizeof(int) == 4);
static_assert(sizeof(FILETIME) == 8);
PIXLOR_AT(FILETIME, dwHighDateTime, 4);

static_assert(sizeof(PluginStartupInfo) == 372);
PIXLOR_AT(PluginStartupInfo, StructSize, 0);
PIXLOR_AT(PluginStartupInfo, ModuleName, 4);
PIXLOR_AT(PluginStartupInfo, ModuleNumber, 264);
PIXLOR_AT(PluginStartupInfo, RootKey, 268);
PIXLOR_AT(PluginStartupInfo, Menu, 272);
PIXLOR_AT(PluginStartupInfo, Dialog, 276);
PIXLOR_AT(PluginStartupInfo, Message, 280);
PIXLOR_AT(PluginStartupInfo, GetMsg, 284);
PIXLOR_AT(PluginStartupInfo, Control, 288);
PIXLOR_AT(PluginStartupInfo, SaveScreen, 292);
PIXLOR_AT(PluginStartupInfo, RestoreScreen, 296);
PIXLOR_AT(PluginStartupInfo, GetDirList, 300);
PIXLOR_AT(PluginStartupInfo, EditorControl, 332);
PIXLOR_AT(PluginStartupInfo, FSF, 336);
PIXLOR_AT(PluginStartupInfo, ShowHelp, 340);
PIXLOR_AT(PluginStartupInfo, DefDlgProc, 360);
PIXLOR_AT(PluginStartupInfo, Reserved, 364);
PIXLOR_AT(PluginStartupInfo, ViewerControl, 368);

static_assert(sizeof(FarStandardFunctions) == 228);
PIXLOR_AT(FarStandardFunctions, StructSize, 0);
PIXLOR_AT(FarStandardFunctions, atoi, 4);
PIXLOR_AT(FarStandardFunctions, sprintf, 20);
PIXLOR_AT(FarStandardFunctions, sscanf, 24);
PIXLOR_AT(FarStandardFunctions, qsortex, 36);
PIXLOR_AT(FarStandardFunctions, snprintf, 40);
PIXLOR_AT(FarStandardFunctions, Reserved, 44);
static_assert(sizeof(FarStandardFunctions::snprintf) + sizeof(FarStandardFunctions::Reserved) ==
              36);
PIXLOR_AT(FarStandardFunctions, LIsLower, 76);
PIXLOR_AT(FarStandardFunctions, LStricmp, 116);
PIXLOR_AT(FarStandardFunctions, LStrnicmp, 120);
PIXLOR_AT(FarStandardFunctions, TruncPathStr, 148);
PIXLOR_AT(FarStandardFunctions, AddEndSlash, 164);
PIXLOR_AT(FarStandardFunctions, GetReparsePointInfo, 224);

static_assert(sizeof(PluginInfo) == 44);
PIXLOR_AT(PluginInfo, StructSize, 0);
PIXLOR_AT(PluginInfo, Flags, 4);
PIXLOR_AT(PluginInfo, DiskMenuStrings, 8);
PIXLOR_AT(PluginInfo, DiskMenuNumbers, 12);
PIXLOR_AT(PluginInfo, DiskMenuStringsNumber, 16);
PIXLOR_AT(PluginInfo, PluginMenuStrings, 20);
PIXLOR_AT(PluginInfo, PluginMenuStringsNumber, 24);
PIXLOR_AT(PluginInfo, PluginConfigStrings, 28);
PIXLOR_AT(PluginInfo, PluginConfigStringsNumber, 32);
PIXLOR_AT(PluginInfo, CommandPrefix, 36);
PIXLOR_AT(PluginInfo, Reserved, 40);

static_assert(sizeof(OpenPluginInfo) == 72);
PIXLOR_AT(OpenPluginInfo, StructSize, 0);
PIXLOR_AT(OpenPluginInfo, Flags, 4);
PIXLOR_AT(OpenPluginInfo, HostFile, 8);
PIXLOR_AT(OpenPluginInfo, CurDir, 12);
PIXLOR_AT(OpenPluginInfo, Format, 16);
PIXLOR_AT(OpenPluginInfo, PanelTitle, 20);
PIXLOR_AT(OpenPluginInfo, InfoLines, 24);
PIXLOR_AT(OpenPluginInfo, InfoLinesNumber, 28);
PIXLOR_AT(OpenPluginInfo, DescrFiles, 32);
PIXLOR_AT(OpenPluginInfo, DescrFilesNumber, 36);
PIXLOR_AT(OpenPluginInfo, PanelModesArray, 40);
PIXLOR_AT(OpenPluginInfo, PanelModesNumber, 44);
PIXLOR_AT(OpenPluginInfo, StartPanelMode, 48);
PIXLOR_AT(OpenPluginInfo, StartSortMode, 52);
PIXLOR_AT(OpenPluginInfo, StartSortOrder, 56);
PIXLOR_AT(OpenPluginInfo, KeyBar, 60);
PIXLOR_AT(OpenPluginInfo, ShortcutData, 64);
PIXLOR_AT(OpenPluginInfo, Reserved, 68);

static_assert(sizeof(KeyBarTitles) == 336);
PIXLOR_AT(KeyBarTitles, Titles, 0);
PIXLOR_AT(KeyBarTitles, CtrlTitles, 48);
PIXLOR_AT(KeyBarTitles, AltTitles, 96);
PIXLOR_AT(KeyBarTitles, ShiftTitles, 144);
PIXLOR_AT(KeyBarTitles, CtrlShiftTitles, 192);
PIXLOR_AT(KeyBarTitles, AltShiftTitles, 240);
PIXLOR_AT(KeyBarTitles, CtrlAltTitles, 288);

static_assert(sizeof(FAR_FIND_DATA) == 318);
PIXLOR_AT(FAR_FIND_DATA, dwFileAttributes, 0);
PIXLOR_AT(FAR_FIND_DATA, ftCreationTime, 4);
PIXLOR_AT(FAR_FIND_DATA, ftLastAccessTime, 12);
PIXLOR_AT(FAR_FIND_DATA, ftLastWriteTime, 20);
PIXLOR_AT(FAR_FIND_DATA, nFileSizeHigh, 28);
PIXLOR_AT(FAR_FIND_DATA, nFileSizeLow, 32);
PIXLOR_AT(FAR_FIND_DATA, dwReserved0, 36);
PIXLOR_AT(FAR_FIND_DATA, dwReserved1, 40);
PIXLOR_AT(FAR_FIND_DATA, cFileName, 44);
PIXLOR_AT(FAR_FIND_DATA, cAlternateFileName, 304);

static_assert(sizeof(PluginPanelItem) == 366);
PIXLOR_AT(PluginPanelItem, FindData, 0);
PIXLOR_AT(PluginPanelItem, PackSizeHigh, 318);
PIXLOR_AT(PluginPanelItem, PackSize, 322);
PIXLOR_AT(PluginPanelItem, Flags, 326);
PIXLOR_AT(PluginPanelItem, NumberOfLinks, 330);
PIXLOR_AT(PluginPanelItem, Description, 334);
PIXLOR_AT(PluginPanelItem, Owner, 338);
PIXLOR_AT(PluginPanelItem, CustomColumnData, 342);
PIXLOR_AT(PluginPanelItem, CustomColumnNumber, 346);
PIXLOR_AT(PluginPanelItem, UserData, 350);
PIXLOR_AT(PluginPanelItem, CRC32, 354);
PIXLOR_AT(PluginPanelItem, Reserved, 358);

static_assert(sizeof(PanelInfo) == 496);
PIXLOR_AT(PanelInfo, PanelType, 0);
PIXLOR_AT(PanelInfo, Plugin, 4);
PIXLOR_AT(PanelInfo, PanelRect, 8);
PIXLOR_AT(PanelInfo, PanelItems, 24);
PIXLOR_AT(PanelInfo, ItemsNumber, 28);
PIXLOR_AT(PanelInfo, SelectedItems, 32);
PIXLOR_AT(PanelInfo, SelectedItemsNumber, 36);
PIXLOR_AT(PanelInfo, CurrentItem, 40);
PIXLOR_AT(PanelInfo, TopPanelItem, 44);
PIXLOR_AT(PanelInfo, Visible, 48);
PIXLOR_AT(PanelInfo, Focus, 52);
PIXLOR_AT(PanelInfo, ViewMode, 56);
PIXLOR_AT(PanelInfo, ColumnTypes, 60);
PIXLOR_AT(PanelInfo, ColumnWidths, 140);
PIXLOR_AT(PanelInfo, CurDir, 220);
PIXLOR_AT(PanelInfo, ShortNames, 480);
PIXLOR_AT(PanelInfo, SortMode, 484);
PIXLOR_AT(PanelInfo, Flags, 488);
PIXLOR_AT(PanelInfo, Reserved, 492);

static_assert(sizeof(PanelRedrawInfo) == 8);
PIXLOR_AT(PanelRedrawInfo, CurrentItem, 0);
PIXLOR_AT(PanelRedrawInfo, TopPanelItem, 4);

static_assert(sizeof(FarDialogItem) == 548);
PIXLOR_AT(FarDialogItem, Type, 0);
PIXLOR_AT(FarDialogItem, X1, 4);
PIXLOR_AT(FarDialogItem, Y1, 8);
PIXLOR_AT(FarDialogItem, X2, 12);
PIXLOR_AT(FarDialogItem, Y2, 16);
PIXLOR_AT(FarDialogItem, Focus, 20);
PIXLOR_AT(FarDialogItem, Param, 24);
PIXLOR_AT(FarDialogItem, Flags, 28);
PIXLOR_AT(FarDialogItem, DefaultButton, 32);
PIXLOR_AT(FarDialogItem, Data, 36);
static_assert(sizeof(FarDialogItem::Param) == 4);

// The calling conventions: every entry point and host service stdcall, sprintf and sscanf cdecl.
PIXLOR_CALL(&::GetMinFarVersion, int(__stdcall*)());
PIXLOR_CALL(&::SetStartupInfo, void(__stdcall*)(const PluginStartupInfo*));
PIXLOR_CALL(&::GetPluginInfo, void(__stdcall*)(PluginInfo*));
PIXLOR_CALL(&::OpenPlugin, HANDLE(__stdcall*)(int, int));
PIXLOR_CALL(&::ClosePlugin, void(__stdcall*)(HANDLE));
PIXLOR_CALL(&::GetOpenPluginInfo, void(__stdcall*)(HANDLE, OpenPluginInfo*));
PIXLOR_CALL(&::SetDirectory, int(__stdcall*)(HANDLE, const char*, int));
PIXLOR_CALL(&::GetFindData, int(__stdcall*)(HANDLE, PluginPanelItem**, int*, int));
PIXLOR_CALL(&::FreeFindData, void(__stdcall*)(HANDLE, PluginPanelItem*, int));
PIXLOR_CALL(&::GetFiles, int(__stdcall*)(HANDLE, PluginPanelItem*, int, int, char*, int));
PIXLOR_CALL(&::ProcessKey, int(__stdcall*)(HANDLE, int, unsigned int));
PIXLOR_CALL(&::Configure, int(__stdcall*)(int));

PIXLOR_CALL(PluginStartupInfo::Dialog,
            int(__stdcall*)(int, int, int, int, int, const char*, FarDialogItem*, int));
PIXLOR_CALL(PluginStartupInfo::Message,
            int(__stdcall*)(int, DWORD, const char*, const char* const*, int, int));
PIXLOR_CALL(PluginStartupInfo::GetMsg, const char*(__stdcall*)(int, int));
PIXLOR_CALL(PluginStartupInfo::Control, int(__stdcall*)(HANDLE, int, void*));
PIXLOR_CALL(PluginStartupInfo::AdvControl, int(__stdcall*)(int, int, void*));
PIXLOR_CALL(PluginStartupInfo::SaveScreen, HANDLE(__stdcall*)(int, int, int, int));
PIXLOR_CALL(PluginStartupInfo::RestoreScreen, void(__stdcall*)(HANDLE));
PIXLOR_CALL(FarStandardFunctions::atoi, int(__stdcall*)(const char*));
PIXLOR_CALL(FarStandardFunctions::sprintf, int(__cdecl*)(char*, const char*, ...));
PIXLOR_CALL(FarStandardFunctions::sscanf, int(__cdecl*)(const char*, const char*, ...));
PIXLOR_CALL(FarStandardFunctions::LStricmp, int(__stdcall*)(const char*, const char*));
PIXLOR_CALL(FarStandardFunctions::LStrnicmp, int(__stdcall*)(const char*, const char*, int));
PIXLOR_CALL(FarStandardFunctions::TruncPathStr, char*(__stdcall*)(char*, int));
PIXLOR_CALL(FarStandardFunctions::AddEndSlash, int(__stdcall*)(char*));
