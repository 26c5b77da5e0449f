// Resource numbers of the main window and the settings dialog.
#pragma once

#define IDD_READER_DIALOG 102
#define IDR_MAINFRAME 128  /* the menu and the icon */
#define IDD_SETTINGS 130

#define IDC_CONNECTION_NAME 1000
#define IDC_IP_ADDRESS 1001
#define IDC_COMM_PORT 1002
#define IDC_CTRL_PORT 1003
#define IDC_AUTO_CONNECT 1004
#define IDC_RESET 1005
#define IDC_CREDIT 1006
#define IDC_INSERT_CARD 1007
#define IDC_REMOVE_CARD 1008
#define IDC_READER_ENABLED 1009

#define ID_FILE_SETTINGS 32771
