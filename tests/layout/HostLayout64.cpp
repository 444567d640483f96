// The host's structures as the 64-bit host lays them out for its 1.x plug-ins: every field at
// its natural alignment, 8-byte pointers, and pointer-wide (intptr_t) the plug-in number, an
// item's user data with the reserved slots after it, and the standard functions' reserved slots.
// The sizes and the offsets marked "measured" are those of the host's own declarations built by
// the x86_64 compiler; every other offset is numbered by hand from the same rules. Nothing runs:
// the build of this file with the x86_64 compiler of the 64-bit plug-in is the test.
#include "far/FarPlugin.h"
#include "tests/layout/LayoutChecks.h"

#include <cstdint>

#if !defined(_WIN64)
#error "the host's 64-bit layouts are those of the 64-bit Windows build"
#endif

static_assert(sizeof(void*) == 8 && sizeof(HANDLE) == 8 && sizeof(std::intptr_t) == 8);
static_assert(sizeof(DWORD) == 4 && sizeof(int) == 4 && sizeof(DWORD_PTR) == 8);
static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4);

static_assert(sizeof(PluginStartupInfo) == 480);  // measured
PIXLOR_AT(PluginStartupInfo, StructSize, 0);
PIXLOR_AT(PluginStartupInfo, ModuleName, 4);
PIXLOR_AT(PluginStartupInfo, ModuleNumber, 264);  // measured
PIXLOR_AT(PluginStartupInfo, RootKey, 272);       // measured
PIXLOR_AT(PluginStartupInfo, Menu, 280);
PIXLOR_AT(PluginStartupInfo, Dialog, 288);   // measured
PIXLOR_AT(PluginStartupInfo, Message, 296);  // measured
PIXLOR_AT(PluginStartupInfo, GetMsg, 304);   // measured
PIXLOR_AT(PluginStartupInfo, Control, 312);  // measured
PIXLOR_AT(PluginStartupInfo, SaveScreen, 320);
PIXLOR_AT(PluginStartupInfo, RestoreScreen, 328);
PIXLOR_AT(PluginStartupInfo, GetDirList, 336);
PIXLOR_AT(PluginStartupInfo, GetPluginDirList, 344);
PIXLOR_AT(PluginStartupInfo, FreeDirList, 352);
PIXLOR_AT(PluginStartupInfo, Viewer, 360);
PIXLOR_AT(PluginStartupInfo, Editor, 368);
PIXLOR_AT(PluginStartupInfo, CmpName, 376);
PIXLOR_AT(PluginStartupInfo, CharTable, 384);
PIXLOR_AT(PluginStartupInfo, Text, 392);
PIXLOR_AT(PluginStartupInfo, EditorControl, 400);
PIXLOR_AT(PluginStartupInfo, FSF, 408);  // measured
PIXLOR_AT(PluginStartupInfo, ShowHelp, 416);
PIXLOR_AT(PluginStartupInfo, AdvControl, 424);
PIXLOR_AT(PluginStartupInfo, InputBox, 432);
PIXLOR_AT(PluginStartupInfo, DialogEx, 440);
PIXLOR_AT(PluginStartupInfo, SendDlgMessage, 448);
PIXLOR_AT(PluginStartupInfo, DefDlgProc, 456);
PIXLOR_AT(PluginStartupInfo, Reserved, 464);
PIXLOR_AT(PluginStartupInfo, ViewerControl, 472);
static_assert(sizeof(PluginStartupInfo::ModuleNumber) == 8);
static_assert(sizeof(PluginStartupInfo::Reserved) == 4);

static_assert(sizeof(FarStandardFunctions) == 456);  // measured
PIXLOR_AT(FarStandardFunctions, StructSize, 0);
PIXLOR_AT(FarStandardFunctions, atoi, 8);
PIXLOR_AT(FarStandardFunctions, atoi64, 16);
PIXLOR_AT(FarStandardFunctions, itoa, 24);
PIXLOR_AT(FarStandardFunctions, itoa64, 32);
PIXLOR_AT(FarStandardFunctions, sprintf, 40);  // measured
PIXLOR_AT(FarStandardFunctions, sscanf, 48);
PIXLOR_AT(FarStandardFunctions, qsort, 56);
PIXLOR_AT(FarStandardFunctions, bsearch, 64);
PIXLOR_AT(FarStandardFunctions, qsortex, 72);
PIXLOR_AT(FarStandardFunctions, snprintf, 80);
PIXLOR_AT(FarStandardFunctions, Reserved, 88);
static_assert(sizeof(FarStandardFunctions::Reserved) == 64);
PIXLOR_AT(FarStandardFunctions, LIsLower, 152);
PIXLOR_AT(FarStandardFunctions, LIsUpper, 160);
PIXLOR_AT(FarStandardFunctions, LIsAlpha, 168);
PIXLOR_AT(FarStandardFunctions, LIsAlphanum, 176);
PIXLOR_AT(FarStandardFunctions, LUpper, 184);
PIXLOR_AT(FarStandardFunctions, LLower, 192);
PIXLOR_AT(FarStandardFunctions, LUpperBuf, 200);
PIXLOR_AT(FarStandardFunctions, LLowerBuf, 208);
PIXLOR_AT(FarStandardFunctions, LStrupr, 216);
PIXLOR_AT(FarStandardFunctions, LStrlwr, 224);
PIXLOR_AT(FarStandardFunctions, LStricmp, 232);  // measured
PIXLOR_AT(FarStandardFunctions, LStrnicmp, 240);
PIXLOR_AT(FarStandardFunctions, Unquote, 248);
PIXLOR_AT(FarStandardFunctions, ExpandEnvironmentStr, 256);
PIXLOR_AT(FarStandardFunctions, LTrim, 264);
PIXLOR_AT(FarStandardFunctions, RTrim, 272);
PIXLOR_AT(FarStandardFunctions, Trim, 280);
PIXLOR_AT(FarStandardFunctions, TruncStr, 288);
PIXLOR_AT(FarStandardFunctions, TruncPathStr, 296);  // measured
PIXLOR_AT(FarStandardFunctions, QuoteSpaceOnly, 304);
PIXLOR_AT(FarStandardFunctions, PointToName, 312);
PIXLOR_AT(FarStandardFunctions, GetPathRoot, 320);
PIXLOR_AT(FarStandardFunctions, AddEndSlash, 328);  // measured
PIXLOR_AT(FarStandardFunctions, CopyToClipboard, 336);
PIXLOR_AT(FarStandardFunctions, PasteFromClipboard, 344);
PIXLOR_AT(FarStandardFunctions, FarKeyToName, 352);
PIXLOR_AT(FarStandardFunctions, FarNameToKey, 360);
PIXLOR_AT(FarStandardFunctions, FarInputRecordToKey, 368);
PIXLOR_AT(FarStandardFunctions, XLat, 376);
PIXLOR_AT(FarStandardFunctions, GetFileOwner, 384);
PIXLOR_AT(FarStandardFunctions, GetNumberOfLinks, 392);
PIXLOR_AT(FarStandardFunctions, FarRecursiveSearch, 400);
PIXLOR_AT(FarStandardFunctions, MkTemp, 408);
PIXLOR_AT(FarStandardFunctions, DeleteBuffer, 416);
PIXLOR_AT(FarStandardFunctions, ProcessName, 424);
PIXLOR_AT(FarStandardFunctions, MkLink, 432);
PIXLOR_AT(FarStandardFunctions, ConvertNameToReal, 440);
PIXLOR_AT(FarStandardFunctions, GetReparsePointInfo, 448);

static_assert(sizeof(PluginInfo) == 80);  // measured
PIXLOR_AT(PluginInfo, StructSize, 0);
PIXLOR_AT(PluginInfo, Flags, 4);
PIXLOR_AT(PluginInfo, DiskMenuStrings, 8);  // measured
PIXLOR_AT(PluginInfo, DiskMenuNumbers, 16);
PIXLOR_AT(PluginInfo, DiskMenuStringsNumber, 24);
PIXLOR_AT(PluginInfo, PluginMenuStrings, 32);
PIXLOR_AT(PluginInfo, PluginMenuStringsNumber, 40);
PIXLOR_AT(PluginInfo, PluginConfigStrings, 48);  // measured
PIXLOR_AT(PluginInfo, PluginConfigStringsNumber, 56);
PIXLOR_AT(PluginInfo, CommandPrefix, 64);
PIXLOR_AT(PluginInfo, Reserved, 72);

static_assert(sizeof(OpenPluginInfo) == 120);  // measured
PIXLOR_AT(OpenPluginInfo, StructSize, 0);
PIXLOR_AT(OpenPluginInfo, Flags, 4);
PIXLOR_AT(OpenPluginInfo, HostFile, 8);
PIXLOR_AT(OpenPluginInfo, CurDir, 16);  // measured
PIXLOR_AT(OpenPluginInfo, Format, 24);
PIXLOR_AT(OpenPluginInfo, PanelTitle, 32);
PIXLOR_AT(OpenPluginInfo, InfoLines, 40);
PIXLOR_AT(OpenPluginInfo, InfoLinesNumber, 48);
PIXLOR_AT(OpenPluginInfo, DescrFiles, 56);
PIXLOR_AT(OpenPluginInfo, DescrFilesNumber, 64);
PIXLOR_AT(OpenPluginInfo, PanelModesArray, 72);  // measured
PIXLOR_AT(OpenPluginInfo, PanelModesNumber, 80);
PIXLOR_AT(OpenPluginInfo, StartPanelMode, 84);
PIXLOR_AT(OpenPluginInfo, StartSortMode, 88);
PIXLOR_AT(OpenPluginInfo, StartSortOrder, 92);
PIXLOR_AT(OpenPluginInfo, KeyBar, 96);  // measured
PIXLOR_AT(OpenPluginInfo, ShortcutData, 104);
PIXLOR_AT(OpenPluginInfo, Reserved, 112);

static_assert(sizeof(KeyBarTitles) == 672);  // measured
PIXLOR_AT(KeyBarTitles, Titles, 0);
PIXLOR_AT(KeyBarTitles, CtrlTitles, 96);
PIXLOR_AT(KeyBarTitles, AltTitles, 192);
PIXLOR_AT(KeyBarTitles, ShiftTitles, 288);
PIXLOR_AT(KeyBarTitles, CtrlShiftTitles, 384);
PIXLOR_AT(KeyBarTitles, AltShiftTitles, 480);
PIXLOR_AT(KeyBarTitles, CtrlAltTitles, 576);

// The find data is the system's own here: our declaration must match its header field by field.
static_assert(sizeof(FAR_FIND_DATA) == 320);  // measured
static_assert(sizeof(FAR_FIND_DATA) == sizeof(WIN32_FIND_DATAA));
#define PIXLOR_FIND_DATA_AT(field, offset)   \
    PIXLOR_AT(FAR_FIND_DATA, field, offset); \
    PIXLOR_AT(WIN32_FIND_DATAA, field, offset)
PIXLOR_FIND_DATA_AT(dwFileAttributes, 0);
PIXLOR_FIND_DATA_AT(ftCreationTime, 4);
PIXLOR_FIND_DATA_AT(ftLastAccessTime, 12);
PIXLOR_FIND_DATA_AT(ftLastWriteTime, 20);
PIXLOR_FIND_DATA_AT(nFileSizeHigh, 28);
PIXLOR_FIND_DATA_AT(nFileSizeLow, 32);
PIXLOR_FIND_DATA_AT(dwReserved0, 36);
PIXLOR_FIND_DATA_AT(dwReserved1, 40);
PIXLOR_FIND_DATA_AT(cFileName, 44);
PIXLOR_FIND_DATA_AT(cAlternateFileName, 304);

static_assert(sizeof(PluginPanelItem) == 400);  // measured
PIXLOR_AT(PluginPanelItem, FindData, 0);
PIXLOR_AT(PluginPanelItem, PackSizeHigh, 320);
PIXLOR_AT(PluginPanelItem, PackSize, 324);
PIXLOR_AT(PluginPanelItem, Flags, 328);
PIXLOR_AT(PluginPanelItem, NumberOfLinks, 332);
PIXLOR_AT(PluginPanelItem, Description, 336);  // measured
PIXLOR_AT(PluginPanelItem, Owner, 344);
PIXLOR_AT(PluginPanelItem, CustomColumnData, 352);
PIXLOR_AT(PluginPanelItem, CustomColumnNumber, 360);
PIXLOR_AT(PluginPanelItem, UserData, 368);  // measured
PIXLOR_AT(PluginPanelItem, CRC32, 376);
PIXLOR_AT(PluginPanelItem, Reserved, 384);
static_assert(sizeof(PluginPanelItem::UserData) == 8);
static_assert(sizeof(PluginPanelItem::Reserved) == 16);

static_assert(sizeof(FarRect) == 16);
PIXLOR_AT(FarRect, bottom, 12);

static_assert(sizeof(PanelInfo) == 512);  // measured
PIXLOR_AT(PanelInfo, PanelType, 0);
PIXLOR_AT(PanelInfo, Plugin, 4);
PIXLOR_AT(PanelInfo, PanelRect, 8);
PIXLOR_AT(PanelInfo, PanelItems, 24);  // measured
PIXLOR_AT(PanelInfo, ItemsNumber, 32);
PIXLOR_AT(PanelInfo, SelectedItems, 40);  // measured
PIXLOR_AT(PanelInfo, SelectedItemsNumber, 48);
PIXLOR_AT(PanelInfo, CurrentItem, 52);
PIXLOR_AT(PanelInfo, TopPanelItem, 56);
PIXLOR_AT(PanelInfo, Visible, 60);
PIXLOR_AT(PanelInfo, Focus, 64);
PIXLOR_AT(PanelInfo, ViewMode, 68);
PIXLOR_AT(PanelInfo, ColumnTypes, 72);
PIXLOR_AT(PanelInfo, ColumnWidths, 152);
PIXLOR_AT(PanelInfo, CurDir, 232);  // measured
PIXLOR_AT(PanelInfo, ShortNames, 492);
PIXLOR_AT(PanelInfo, SortMode, 496);
PIXLOR_AT(PanelInfo, Flags, 500);
PIXLOR_AT(PanelInfo, Reserved, 504);

static_assert(sizeof(PanelRedrawInfo) == 8);
PIXLOR_AT(PanelRedrawInfo, CurrentItem, 0);
PIXLOR_AT(PanelRedrawInfo, TopPanelItem, 4);

static_assert(sizeof(FarDialogItem) == 552);  // measured
PIXLOR_AT(FarDialogItem, Type, 0);
PIXLOR_AT(FarDialogItem, X1, 4);
PIXLOR_AT(FarDialogItem, Y1, 8);
PIXLOR_AT(FarDialogItem, X2, 12);
PIXLOR_AT(FarDialogItem, Y2, 16);
PIXLOR_AT(FarDialogItem, Focus, 20);
PIXLOR_AT(FarDialogItem, Param, 24);  // measured
PIXLOR_AT(FarDialogItem, Flags, 32);  // measured
PIXLOR_AT(FarDialogItem, DefaultButton, 36);
PIXLOR_AT(FarDialogItem, Data, 40);  // measured
static_assert(sizeof(FarDialogItem::Param) == 8);

// The calling conventions: x64 has one, Microsoft's (stdcall and cdecl name it too), which the
// types below spell out; a service or entry point declared in another (sysv_abi) is another type.
// The plug-in number and OpenPlugin's item are pointer-wide; sprintf and sscanf stay variadic.
#define PIXLOR_X64 __attribute__((ms_abi))

PIXLOR_CALL(&::GetMinFarVersion, int(PIXLOR_X64*)());
PIXLOR_CALL(&::SetStartupInfo, void(PIXLOR_X64*)(const PluginStartupInfo*));
PIXLOR_CALL(&::GetPluginInfo, void(PIXLOR_X64*)(PluginInfo*));
PIXLOR_CALL(&::OpenPlugin, HANDLE(PIXLOR_X64*)(int, std::intptr_t));
PIXLOR_CALL(&::ClosePlugin, void(PIXLOR_X64*)(HANDLE));
PIXLOR_CALL(&::GetOpenPluginInfo, void(PIXLOR_X64*)(HANDLE, OpenPluginInfo*));
PIXLOR_CALL(&::SetDirectory, int(PIXLOR_X64*)(HANDLE, const char*, int));
PIXLOR_CALL(&::GetFindData, int(PIXLOR_X64*)(HANDLE, PluginPanelItem**, int*, int));
PIXLOR_CALL(&::FreeFindData, void(PIXLOR_X64*)(HANDLE, PluginPanelItem*, int));
PIXLOR_CALL(&::GetFiles, int(PIXLOR_X64*)(HANDLE, PluginPanelItem*, int, int, char*, int));
PIXLOR_CALL(&::ProcessKey, int(PIXLOR_X64*)(HANDLE, int, unsigned int));
PIXLOR_CALL(&::Configure, int(PIXLOR_X64*)(int));

PIXLOR_CALL(PluginStartupInfo::Dialog,
            int(PIXLOR_X64*)(std::intptr_t, int, int, int, int, const char*, FarDialogItem*, int));
PIXLOR_CALL(PluginStartupInfo::Message,
            int(PIXLOR_X64*)(std::intptr_t, DWORD, const char*, const char* const*, int, int));
PIXLOR_CALL(PluginStartupInfo::GetMsg, const char*(PIXLOR_X64*)(std::intptr_t, int));
PIXLOR_CALL(PluginStartupInfo::Control, int(PIXLOR_X64*)(HANDLE, int, void*));
PIXLOR_CALL(PluginStartupInfo::AdvControl, int(PIXLOR_X64*)(std::intptr_t, int, void*));
PIXLOR_CALL(PluginStartupInfo::SaveScreen, HANDLE(PIXLOR_X64*)(int, int, int, int));
PIXLOR_CALL(PluginStartupInfo::RestoreScreen, void(PIXLOR_X64*)(HANDLE));
PIXLOR_CALL(FarStandardFunctions::atoi, int(PIXLOR_X64*)(const char*));
PIXLOR_CALL(FarStandardFunctions::sprintf, int(PIXLOR_X64*)(char*, const char*, ...));
PIXLOR_CALL(FarStandardFunctions::sscanf, int(PIXLOR_X64*)(const char*, const char*, ...));
PIXLOR_CALL(FarStandardFunctions::LStricmp, int(PIXLOR_X64*)(const char*, const char*));
PIXLOR_CALL(FarStandardFunctions::LStrnicmp, int(PIXLOR_X64*)(const char*, const char*, int));
PIXLOR_CALL(FarStandardFunctions::TruncPathStr, char*(PIXLOR_X64*)(char*, int));
PIXLOR_CALL(FarStandardFunctions::AddEndSlash, int(PIXLOR_X64*)(char*));
