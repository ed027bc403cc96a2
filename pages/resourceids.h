// Numbers that wire the window together: page numbers, dialog templates,
// commands, window numbers, private window messages and the control numbers
// that every page shares. The numbers are part of the program's layout: the
// templates in resources/templates use the same ones.
#pragma once

#include <array>

namespace fennmere {

// Pages, in the order the frame knows them.
inline constexpr int kPageAnalog = 1;
inline constexpr int kPageDigital = 2;
inline constexpr int kPageSerial = 3;
inline constexpr int kPageInternal = 4;
inline constexpr int kPageOutput = 5;
inline constexpr int kPageEws = 6;
inline constexpr int kPageSystem = 7;
inline constexpr int kPageModem = 8;
inline constexpr int kPageLive = 9;
inline constexpr int kPageCount = 9;

// The window number of the page on display; a hidden page carries its page
// number instead.
inline constexpr int kMainPaneNumber = 59648;

// Dialog template of each page, indexed by page number (entry 0 unused).
inline constexpr std::array<int, kPageCount + 1> kPageTemplate{0, 130, 131, 132, 133, 134, 135, 136, 137, 138};
inline constexpr int kAboutTemplate = 100;

// Private window messages, posted to the main frame as events of these types.
inline constexpr int kRefreshMessage = 1024;         // reload the page on display, update all pages
inline constexpr int kShowSerialPageMessage = 1025;  // bring the Serial page to the front

// Commands.
inline constexpr int kCmdFileNew = 57600;
inline constexpr int kCmdFileOpen = 57601;
inline constexpr int kCmdFileSave = 57603;
inline constexpr int kCmdFileSaveAs = 57604;
inline constexpr int kCmdFilePrintSetup = 57606;
inline constexpr int kCmdFilePrint = 57607;
inline constexpr int kCmdFilePrintPreview = 57609;
inline constexpr int kCmdFileMru1 = 57616;
inline constexpr int kCmdEditCopy = 57634;
inline constexpr int kCmdEditCut = 57635;
inline constexpr int kCmdEditPaste = 57637;
inline constexpr int kCmdEditUndo = 57643;
inline constexpr int kCmdAppAbout = 57664;
inline constexpr int kCmdAppExit = 57665;
inline constexpr int kCmdNextPane = 57680;
inline constexpr int kCmdPrevPane = 57681;
inline constexpr int kCmdViewToolbar = 59392;
inline constexpr int kCmdViewStatusBar = 59393;

// The commands of the Logger menu.
inline constexpr int kCmdLoggerCompareLogger = 32800;
inline constexpr int kCmdLoggerCompareFile = 32801;
inline constexpr int kCmdLoggerLogbook = 32802;
inline constexpr int kCmdLoggerSendChanges = 32803;
inline constexpr int kCmdLoggerFind = 32804;
inline constexpr int kCmdLoggerTerminal = 32805;

// Toolbar commands, indexed by page number (entry 0 unused).
inline constexpr std::array<int, kPageCount + 1> kPageCommand{0,     32771, 32772, 32773, 32775,
                                                              32776, 32777, 32778, 32779, 32774};

inline constexpr int kStatusBarNumber = 59393;

// Controls every configuration page has under the same number.
inline constexpr int kIdPortList = 1103;
inline constexpr int kIdBaudList = 1105;
inline constexpr int kIdLogo = 1581;
inline constexpr int kIdOk = 1;
// The about box's line that names the program and its version ("%1").
inline constexpr int kIdAboutVersion = 1000;

}  // namespace fennmere
