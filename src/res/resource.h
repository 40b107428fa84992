// Every resource, control, command and private message number of TRXDESK.
// Shared by the resource script and the code: no bare ID numbers elsewhere.
#ifndef TRXDESK_RESOURCE_H
#define TRXDESK_RESOURCE_H

// The panel's window class: registered at start-up, named in its template, and how the
// running panels find each other.
#define PANEL_CLASS "CLASS_TRXDESK_2"

// Dialog templates
#define IDD_PANEL 101
#define IDD_FREQUENCY 173
#define IDD_ABOUT 174
#define IDD_SETTINGS 175
#define IDD_SPECIAL_SETTINGS 191

// The About box's picture
#define IDB_ABOUT 178

// Context menus: the panel's main menu, a preset key's menu, the antenna menu
#define IDR_MAIN_MENU 176
#define IDR_PRESET_MENU 180
#define IDR_ANTENNA_MENU 190

// Help topics: the panel (F1), the settings dialog, the frequency entry, the special settings
#define IDH_PANEL 1000
#define IDH_SETTINGS 1002
#define IDH_FREQUENCY 1003
#define IDH_SPECIAL_SETTINGS 1005

// Application icon and the minimised-window icon without a known state
#define IDI_APP 102
#define IDI_UNKNOWN_STATE 172

// Operating-state buttons: normal / lit
#define IDI_STANDBY 112
#define IDI_STANDBY_LIT 114
#define IDI_TUNE 115
#define IDI_TUNE_LIT 116
#define IDI_NOPOWER 118
#define IDI_NOPOWER_LIT 119
#define IDI_P100_LIT 121
#define IDI_P250 122
#define IDI_P250_LIT 123
#define IDI_P1000 124
#define IDI_P1000_LIT 120
#define IDI_P100 125

// Link lamp in status-bar part 2: dark while the link is up, lit after a reset
#define IDI_LINK_UP 127
#define IDI_LINK_DOWN 128

// Preset keys: normal (grey light) / lit (red light), by mode type
#define IDI_PRESET_R3_LIT 138
#define IDI_PRESET_B8 139
#define IDI_PRESET_BR8 140
#define IDI_PRESET_F1 141
#define IDI_PRESET_F7 142
#define IDI_PRESET_H2 143
#define IDI_PRESET_H3 144
#define IDI_PRESET_J2 145
#define IDI_PRESET_J3 146
#define IDI_PRESET_J3C 147
#define IDI_PRESET_R3 148
#define IDI_PRESET_A1_LIT 149
#define IDI_PRESET_B8_LIT 150
#define IDI_PRESET_BR8_LIT 151
#define IDI_PRESET_F1_LIT 152
#define IDI_PRESET_F7_LIT 153
#define IDI_PRESET_H2_LIT 154
#define IDI_PRESET_H3_LIT 155
#define IDI_PRESET_J2_LIT 156
#define IDI_PRESET_J3_LIT 157
#define IDI_PRESET_A1 159
#define IDI_PRESET_J3C_LIT 160

// Status indicators. 1054: bit 1 yellow (top), bit 0 green (bottom).
#define IDI_IND_LOW_0 182
#define IDI_IND_LOW_3 184
#define IDI_IND_LOW_1 187
#define IDI_IND_LOW_2 188
// 1055: bit 2 yellow (top), bit 3 red alarm (bottom).
#define IDI_IND_HIGH_0 183
#define IDI_IND_HIGH_4 185
#define IDI_IND_HIGH_12 186
#define IDI_IND_HIGH_8 189

// Panel controls
#define IDC_FREQUENCY 1002
#define IDC_STATE_STANDBY 1007
#define IDC_STATE_TUNE 1008
#define IDC_STATE_NOPOWER 1009
#define IDC_STATE_P100 1010
#define IDC_STATE_P250 1011
#define IDC_STATE_P1000 1012
#define IDC_POWER 1017
#define IDC_PRESET0 1018
#define IDC_PRESET1 1019
#define IDC_PRESET2 1020
#define IDC_PRESET3 1021
#define IDC_PROGRAM 1023
#define IDC_PROGRAM_UPDOWN 1024
#define IDC_STATUSBAR 1025
#define IDC_ANTENNA 1026
#define IDC_INDICATOR_LOW 1054
#define IDC_INDICATOR_HIGH 1055
// Frequency entry
#define IDC_FREQUENCY_EDIT 1022
#define IDC_AUTO_TUNE 1030
#define IDC_TUNE_P100 1031
#define IDC_TUNE_P250 1032
#define IDC_TUNE_P1000 1033
#define IDC_TUNE_GROUP 1034
#define IDC_FREQUENCY_UNIT 1035

// Settings
#define IDC_PORT_LIST 1000
#define IDC_BAUD_LIST 1001
#define IDC_MODE_TYPE0 1003
#define IDC_MODE_TYPE1 1004
#define IDC_MODE_TYPE2 1005
#define IDC_MODE_TYPE3 1006
#define IDC_SETTINGS_ICON 1027
#define IDC_SHOW_TOOLTIPS 1028
#define IDC_SHOW_STATUSBAR 1029

// Special settings; the antenna boxes do not follow the antenna order
#define IDC_TITLE_EDIT 1056
#define IDC_ANTENNA1_EDIT 1057
#define IDC_ANTENNA3_EDIT 1058
#define IDC_ANTENNA0_EDIT 1059
#define IDC_ANTENNA2_EDIT 1060
#define IDC_HEX_DISPLAY 1061

// About
#define IDC_ABOUT_VERSION 1050
#define IDC_ABOUT_MAIL 1051
#define IDC_ABOUT_AUTHOR 1052
#define IDC_ABOUT_INFO 1053

// Controls the code never addresses (the group boxes)
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Commands of the main menu and the keys
#define IDM_STANDBY 40002
#define IDM_REFRESH 40003
#define IDM_SETTINGS 40004
#define IDM_HELP_CONTENTS 40005
#define IDM_ARRANGE 40006
#define IDM_ABOUT 40007
#define IDM_EXIT 40008
#define IDM_PROGRAM_UP 40028
#define IDM_PROGRAM_DOWN 40029
#define IDM_ANTENNA_MENU 40035

// Preset menu: channel A procedures 0..6, channel B procedures 0..4, F1 shifts 0..5
#define IDM_CHANNEL_A_FIRST 40010
#define IDM_CHANNEL_A_LAST 40016
#define IDM_CHANNEL_B_FIRST 40017
#define IDM_CHANNEL_B_LAST 40021
#define IDM_SHIFT_FIRST 40022
#define IDM_SHIFT_LAST 40027

// Antenna menu: antennas 0..3
#define IDM_ANTENNA_FIRST 40031
#define IDM_ANTENNA_LAST 40034

// Panel timer driving the link supervision, and its period
#define IDT_SUPERVISION 101
#define SUPERVISION_PERIOD_MS 100
// The control port's send, when the message asking for it could not be posted
#define IDT_CONTROL_SEND 102
#define CONTROL_SEND_RETRY_MS 10
// The control port's deadlines and its retried accept, while it has something to time
#define IDT_CONTROL_TICK 103
#define CONTROL_TICK_MS 250

// Window messages of the program, all defined here. Two keep the numbers the program has
// always had: other running copies send 1125, and 1126 is the receive thread's. The rest
// are the program's own, in the WM_APP range (0x8000 up), where no control's message lies.
#define WM_TRX_STATUSBAR 1125 // wParam 0; lParam non-zero shows, 0 hides the status bar
#define WM_TRX_RECEIVED 1126  // wParam 0; lParam low 8 bits = one byte read from the line
#define WM_TRX_SHOWN 0x8001   // wParam, lParam 0; posted at creation, handled once shown
// A command the program posts itself, such as the refresh at link-up, so that the journal
// names the program, not the operator, as who asked: wParam = command ID, lParam 0
#define WM_TRX_PROGRAM_COMMAND 0x8002
// The control port's, routed to it on the panel's thread; its sockets report by
// WSAAsyncSelect, whose lParam holds the event (WSAGETSELECTEVENT) and its error
// (WSAGETSELECTERROR).
#define WM_TRX_CONTROL_OPEN 0x8010   // wParam 0, lParam 0: open the port (posted once shown)
#define WM_TRX_CONTROL_ACCEPT 0x8011 // wParam the listening SOCKET; lParam FD_ACCEPT
#define WM_TRX_CONTROL_CLIENT 0x8012 // wParam a client's SOCKET; lParam FD_READ, FD_WRITE, FD_CLOSE
#define WM_TRX_CONTROL_SEND 0x8013   // wParam 0, lParam 0: replies or events wait for clients
// wParam a client's SOCKET the port closed, lParam 0: its messages queued before are stale
#define WM_TRX_CONTROL_CLOSED 0x8014

// Keyboard accelerators of the panel
#define IDR_ACCELERATORS 179

// The operating journal: its window (one per panel) with its list, filter, buttons and the
// line that says why lines wait, the main-menu item and key F9 that open it, and its help
// topic
#define IDD_JOURNAL 196
#define IDC_JOURNAL_LIST 1080
#define IDC_JOURNAL_ALARMS_ONLY 1081
#define IDC_JOURNAL_OPEN_FOLDER 1082
#define IDC_JOURNAL_OPEN_COPY 1083
#define IDC_JOURNAL_TROUBLE 1084
#define IDM_JOURNAL 40040
#define IDH_JOURNAL 1004
// The timer the journal sets on the panel to hear how its writer thread fares
#define IDT_JOURNAL_WRITER 201

// The season schedule: its window, menu items, help topic, messages and timers.
#define IDD_SCHEDULE 197
#define IDC_SCHEDULE_LIST 1090
#define IDC_SCHEDULE_NEXT 1091
#define IDC_SCHEDULE_ON 1092
#define IDC_SCHEDULE_NOW 1093
#define IDC_SCHEDULE_RELOAD 1094
#define IDC_SCHEDULE_OPEN 1095
#define IDC_SCHEDULE_PROBLEMS 1096
#define IDC_SCHEDULE_FILE 1097
#define IDM_SCHEDULE_AUTO 40041
#define IDM_SCHEDULE_WINDOW 40042
#define IDM_SCHEDULE_NOW 40043
#define IDH_SCHEDULE 1006
#define WM_TRX_SCHEDULE_RUN 0x8020  // wParam, lParam 0: the schedule takes what is due
#define WM_TRX_SCHEDULE_FILE 0x8021 // wParam, lParam 0: the plan file's folder changed
#define IDT_SCHEDULE 301            // to the schedule's next event
#define IDT_SCHEDULE_WINDOW 302     // the window's countdown, while it is open
#define SCHEDULE_WINDOW_TICK_MS 1000
// The dialog "Steuerport und Journal", opened by its button in the settings dialog: the
// control port on or off and its number, the allow list, the two passwords with their
// state and a box that clears each, the journal's folder, the note shown with NOREG; its
// help topic
#define IDD_CONTROL_SETTINGS 198
#define IDC_SETTINGS_STATION 1100
#define IDC_CONTROL_ON 1101
#define IDC_CONTROL_PORT 1102
#define IDC_CONTROL_NETWORKS 1103
#define IDC_CONTROL_PASSWORD 1104
#define IDC_CONTROL_PASSWORD_STATE 1105
#define IDC_CONTROL_PASSWORD_CLEAR 1106
#define IDC_CONTROL_READ_PASSWORD 1107
#define IDC_CONTROL_READ_PASSWORD_STATE 1108
#define IDC_CONTROL_READ_PASSWORD_CLEAR 1109
#define IDC_CONTROL_JOURNAL_FOLDER 1110
#define IDC_CONTROL_NOREG 1111
#define IDH_CONTROL_SETTINGS 1007

#endif
