// The host's plug-in interface, version 1.70, as far as Pixlor uses it. Layouts are binary facts,
// and there are two: the 32-bit host packs every structure to 2 bytes and calls stdcall; the
// 64-bit host (today's, through its wrapper for 1.x plug-ins) aligns every field naturally and
// makes pointer-wide (intptr_t) the plug-in number, OpenPlugin's item, an item's user data and
// some reserved slots. Each structure is declared once for both: intptr_t is int on the 32-bit
// build. The sizes are checked below. The Linux build takes the 64-bit rules; it talks only to
// our own host code.
#pragma once

#include "platform/Win32Api.h"

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define FARAPI __stdcall
#define FARCDECL __cdecl
#pragma pack(push, 2)
#else
#define FARAPI
#define FARCDECL
#pragma pack(push, 8)  // natural alignment: no field is wider than 8 bytes
#endif

struct PluginPanelItem;
struct PanelInfo;
struct FarDialogItem;

// Services we never call keep their slot as an untyped function pointer of the same size.
using FarUnusedService = void(FARAPI*)();

using FARAPIMESSAGE = int(FARAPI*)(std::intptr_t ModuleNumber, DWORD Flags, const char* HelpTopic,
                                   const char* const* Items, int ItemsNumber, int ButtonsNumber);
using FARAPIGETMSG = const char*(FARAPI*)(std::intptr_t ModuleNumber, int MsgId);
using FARAPIDIALOG = int(FARAPI*)(std::intptr_t ModuleNumber, int X1, int Y1, int X2, int Y2,
                                  const char* HelpTopic, FarDialogItem* Item, int ItemsNumber);
using FARAPICONTROL = int(FARAPI*)(HANDLE hPlugin, int Command, void* Param);
using FARAPISAVESCREEN = HANDLE(FARAPI*)(int X1, int Y1, int X2, int Y2);
using FARAPIRESTORESCREEN = void(FARAPI*)(HANDLE hScreen);
using FARAPIADVCONTROL = int(FARAPI*)(std::intptr_t ModuleNumber, int Command, void* Param);

using FARSTDSPRINTF = int(FARCDECL*)(char* Buffer, const char* Format, ...);
using FARSTDSSCANF = int(FARCDECL*)(const char* Buffer, const char* Format, ...);
using FARSTDATOI = int(FARAPI*)(const char* s);
using FARSTDLOCALSTRICMP = int(FARAPI*)(const char* s1, const char* s2);
using FARSTDLOCALSTRNICMP = int(FARAPI*)(const char* s1, const char* s2, int n);
using FARSTDTRUNCPATHSTR = char*(FARAPI*)(char* Str, int MaxLength);
using FARSTDADDENDSLASH = int(FARAPI*)(char* Path);

struct FarStandardFunctions {
    int StructSize;
    FARSTDATOI atoi;
    FarUnusedService atoi64, itoa, itoa64;
    FARSTDSPRINTF sprintf;
    FARSTDSSCANF sscanf;
    FarUnusedService qsort, bsearch, qsortex;
    FarUnusedService snprintf;  // the 1.70 host keeps it reserved
    std::intptr_t Reserved[8];
    FarUnusedService LIsLower, LIsUpper, LIsAlpha, LIsAlphanum, LUpper, LLower, LUpperBuf,
        LLowerBuf, LStrupr, LStrlwr;
    FARSTDLOCALSTRICMP LStricmp;
    FARSTDLOCALSTRNICMP LStrnicmp;
    FarUnusedService Unquote, ExpandEnvironmentStr, LTrim, RTrim, Trim, TruncStr;
    FARSTDTRUNCPATHSTR TruncPathStr;
    FarUnusedService QuoteSpaceOnly, PointToName, GetPathRoot;
    FARSTDADDENDSLASH AddEndSlash;
    FarUnusedService CopyToClipboard, PasteFromClipboard, FarKeyToName, FarNameToKey,
        FarInputRecordToKey, XLat, GetFileOwner, GetNumberOfLinks, FarRecursiveSearch, MkTemp,
        DeleteBuffer, ProcessName, MkLink, ConvertNameToReal, GetReparsePointInfo;
};

struct PluginStartupInfo {
    int StructSize;
    char ModuleName[MAX_PATH];
    std::intptr_t ModuleNumber;
    const char* RootKey;
    FarUnusedService Menu;
    FARAPIDIALOG Dialog;
    FARAPIMESSAGE Message;
    FARAPIGETMSG GetMsg;
    FARAPICONTROL Control;
    FARAPISAVESCREEN SaveScreen;
    FARAPIRESTORESCREEN RestoreScreen;
    FarUnusedService GetDirList, GetPluginDirList, FreeDirList, Viewer, Editor, CmpName, CharTable,
        Text, EditorControl;
    FarStandardFunctions* FSF;
    FarUnusedService ShowHelp;
    FARAPIADVCONTROL AdvControl;
    FarUnusedService InputBox, DialogEx, SendDlgMessage, DefDlgProc;
    DWORD Reserved;
    FarUnusedService ViewerControl;
};

struct PluginInfo {
    int StructSize;
    DWORD Flags;
    const char* const* DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    const char* const* PluginMenuStrings;
    int PluginMenuStringsNumber;
    const char* const* PluginConfigStrings;
    int PluginConfigStringsNumber;
    const char* CommandPrefix;
    DWORD Reserved;
};

struct KeyBarTitles {
    char* Titles[12];
    char* CtrlTitles[12];
    char* AltTitles[12];
    char* ShiftTitles[12];
    char* CtrlShiftTitles[12];
    char* AltShiftTitles[12];
    char* CtrlAltTitles[12];
};

struct OpenPluginInfo {
    int StructSize;
    DWORD Flags;
    const char* HostFile;
    const char* CurDir;
    const char* Format;
    const char* PanelTitle;
    const void* InfoLines;
    int InfoLinesNumber;
    const char* const* DescrFiles;
    int DescrFilesNumber;
    const void* PanelModesArray;
    int PanelModesNumber;
    int StartPanelMode;
    int StartSortMode;
    int StartSortOrder;
    const KeyBarTitles* KeyBar;
    const char* ShortcutData;
    DWORD Reserved;
};

// The find data as the host lays it out: packed to 318 bytes by the 32-bit host, the system's
// own 320 on 64-bit.
struct FAR_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

struct PluginPanelItem {
    FAR_FIND_DATA FindData;
    DWORD PackSizeHigh;
    DWORD PackSize;
    DWORD Flags;
    DWORD NumberOfLinks;
    char* Description;
    char* Owner;
    char** CustomColumnData;
    int CustomColumnNumber;
    DWORD_PTR UserData;
    DWORD CRC32;
    std::intptr_t Reserved[2];
};

struct FarRect {
    int left, top, right, bottom;
};

struct PanelInfo {
    int PanelType;
    int Plugin;
    FarRect PanelRect;
    PluginPanelItem* PanelItems;
    int ItemsNumber;
    PluginPanelItem* SelectedItems;
    int SelectedItemsNumber;
    int CurrentItem;
    int TopPanelItem;
    int Visible;
    int Focus;
    int ViewMode;
    char ColumnTypes[80];
    char ColumnWidths[80];
    char CurDir[MAX_PATH];
    int ShortNames;
    int SortMode;
    DWORD Flags;
    DWORD Reserved;
};

struct PanelRedrawInfo {
    int CurrentItem;
    int TopPanelItem;
};

struct FarDialogItem {
    int Type;
    int X1, Y1, X2, Y2;
    int Focus;
    union {
        int Selected;
        const char* History;
        const char* Mask;
        void* ListItems;
        void* VBuf;
    } Param;
    DWORD Flags;
    int DefaultButton;
    char Data[512];
};

#pragma pack(pop)

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PluginStartupInfo) == 372);
static_assert(sizeof(FarStandardFunctions) == 228);
static_assert(sizeof(PluginInfo) == 44);
static_assert(sizeof(OpenPluginInfo) == 72);
static_assert(sizeof(KeyBarTitles) == 336);
static_assert(sizeof(FAR_FIND_DATA) == 318);
static_assert(sizeof(PluginPanelItem) == 366);
static_assert(sizeof(PanelInfo) == 496);
static_assert(sizeof(FarDialogItem) == 548);
static_assert(offsetof(PluginStartupInfo, FSF) == 336);
static_assert(offsetof(PluginPanelItem, UserData) == 350);
static_assert(offsetof(PanelInfo, CurDir) == 220);
#else
static_assert(sizeof(PluginStartupInfo) == 480);
static_assert(sizeof(FarStandardFunctions) == 456);
static_assert(sizeof(PluginInfo) == 80);
static_assert(sizeof(OpenPluginInfo) == 120);
static_assert(sizeof(KeyBarTitles) == 672);
static_assert(sizeof(FAR_FIND_DATA) == 320);
static_assert(sizeof(PluginPanelItem) == 400);
static_assert(sizeof(PanelInfo) == 512);
static_assert(sizeof(FarDialogItem) == 552);
static_assert(offsetof(PluginStartupInfo, FSF) == 408);
static_assert(offsetof(PluginPanelItem, UserData) == 368);
static_assert(offsetof(PanelInfo, CurDir) == 232);
#endif

// Message flags.
constexpr DWORD FMSG_WARNING = 0x1;
constexpr DWORD FMSG_LEFTALIGN = 0x10;
constexpr DWORD FMSG_MB_OK = 0x10000;
constexpr DWORD FMSG_MB_OKCANCEL = 0x20000;

// Dialog item types and flags.
constexpr int DI_TEXT = 0;
constexpr int DI_DOUBLEBOX = 3;
constexpr int DI_EDIT = 4;
constexpr int DI_FIXEDIT = 6;
constexpr int DI_BUTTON = 7;
constexpr int DI_CHECKBOX = 8;
constexpr int DI_RADIOBUTTON = 9;
constexpr DWORD DIF_GROUP = 0x400;
constexpr DWORD DIF_CENTERGROUP = 0x4000;
constexpr DWORD DIF_SEPARATOR = 0x10000;
constexpr DWORD DIF_HISTORY = 0x40000;
constexpr DWORD DIF_BTNNOCLOSE = 0x40000;  // the same bit, on a button
constexpr DWORD DIF_MASKEDIT = 0x400000;
constexpr DWORD DIF_DISABLE = 0x80000000u;

// Control commands.
constexpr int FCTL_CLOSEPLUGIN = 0;
constexpr int FCTL_GETPANELINFO = 1;
constexpr int FCTL_GETANOTHERPANELINFO = 2;
constexpr int FCTL_UPDATEPANEL = 3;
constexpr int FCTL_UPDATEANOTHERPANEL = 4;
constexpr int FCTL_REDRAWPANEL = 5;
constexpr int FCTL_REDRAWANOTHERPANEL = 6;
constexpr int FCTL_SETSELECTION = 10;

// AdvControl commands, and the host's confirmation settings that ACTL_GETCONFIRMATIONS returns.
constexpr int ACTL_GETCONFIRMATIONS = 17;
constexpr int FCS_INTERRUPTOPERATION = 0x20;  // ask before a long operation stops on Esc

// Plug-in, panel and item flags.
constexpr DWORD PF_DISABLEPANELS = 2;
constexpr DWORD OPIF_USEFILTER = 0x1;
constexpr DWORD OPIF_USESORTGROUPS = 0x2;
constexpr DWORD OPIF_USEHIGHLIGHTING = 0x4;
constexpr DWORD OPIF_ADDDOTS = 0x8;
constexpr DWORD OPIF_RAWSELECTION = 0x10;
constexpr DWORD OPIF_REALNAMES = 0x20;
constexpr DWORD OPIF_SHOWRIGHTALIGNNAMES = 0x80;
constexpr DWORD OPIF_SHOWPRESERVECASE = 0x100;
constexpr DWORD OPIF_COMPAREFATTIME = 0x400;
constexpr int SM_NAME = 2;
constexpr DWORD PPIF_SELECTED = 0x40000000;
constexpr int OPEN_DISKMENU = 0;
// Operation modes of the host's requests.
constexpr int OPM_SILENT = 0x1;
constexpr int OPM_VIEW = 0x4;
constexpr int OPM_EDIT = 0x8;

// Control states of a key.
constexpr unsigned PKF_CONTROL = 1;
constexpr unsigned PKF_ALT = 2;
constexpr unsigned PKF_SHIFT = 4;

// The keys ProcessKey is given are the system's virtual-key codes, which Windows declares itself.
#ifndef _WIN32
constexpr int VK_RETURN = 0x0D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
#endif
// The keypad's Del (and Del typed through a terminal): the host's own code 0x209 less 0x100.
constexpr int VK_NUMPAD_DELETE = 0x109;

// Version word: (build << 16) | (major << 8) | minor.
constexpr int MAKEFARVERSION(int major, int minor, int build) {
    return (build << 16) | (major << 8) | minor;
}

// The entry points, as the host calls them.
extern "C" {
int FARAPI GetMinFarVersion();
void FARAPI SetStartupInfo(const PluginStartupInfo* info);
void FARAPI GetPluginInfo(PluginInfo* info);
HANDLE FARAPI OpenPlugin(int openFrom, std::intptr_t item);
void FARAPI ClosePlugin(HANDLE plugin);
void FARAPI GetOpenPluginInfo(HANDLE plugin, OpenPluginInfo* info);
int FARAPI SetDirectory(HANDLE plugin, const char* dir, int opMode);
int FARAPI GetFindData(HANDLE plugin, PluginPanelItem** items, int* itemsNumber, int opMode);
void FARAPI FreeFindData(HANDLE plugin, PluginPanelItem* items, int itemsNumber);
int FARAPI GetFiles(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int move,
                    char* destPath, int opMode);
int FARAPI ProcessKey(HANDLE plugin, int key, unsigned int controlState);
int FARAPI DeleteFiles(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int opMode);
int FARAPI Configure(int itemNumber);
}
