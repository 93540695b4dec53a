// Resource and control ids of the program's dialogs.
#pragma once

#define IDD_MAIN 102
#define IDI_MAIN 128

#define IDC_DEVICE_LIST 1001
#define IDC_CLEAR 1003
#define IDC_SET 1004
#define IDC_RECORD 1005
#define IDC_RECORD_FILES 1006

// The Set dialog, and the texts of Set and the web page, numbered in among the others below.
#include "config/ConfigIds.h"

#define IDD_SEARCH 140
#define IDC_SEARCH_LABEL 141
#define IDC_SEARCH_TEXT 142
#define IDC_SEARCH_PROGRESS 143
#define IDC_SEARCH_STATUS 144

// Commands of the device list's shortcut menu and keys. Set, Record/Stop and Record Files use
// their buttons' ids, so that the menu reaches the buttons' own handlers.
#define ID_OPEN_WEB_PAGE 32771
#define ID_COPY_ROWS 32772
#define ID_COPY_ALL 32773
#define ID_SEARCH_NOW 32774
#define ID_SEARCH_NETWORKS 32775
#define ID_RECORDING_DETAILS 32776

// Operator texts (STRINGTABLE), numbered without gaps from IDS_FIRST to IDS_LAST, so that a test
// can load every one of them.
#define IDS_FIRST 2000
// The texts that discovery itself shows, numbered in among the others.
#include "discovery/DiscoveryStrings.h"
// The main window: its title and the Record button
#define IDS_TITLE_MY_IP 2000
#define IDS_TITLE_ADDRESS_SEPARATOR 2001
#define IDS_TITLE_FIREWALL 2002
#define IDS_CAPTION_RECORD 2015
#define IDS_CAPTION_STOP 2016
// The device list's shortcut menus and copying
#define IDS_MENU_SET 2017
#define IDS_MENU_OPEN_WEB_PAGE 2018
#define IDS_MENU_RECORD 2019
#define IDS_MENU_STOP 2020
#define IDS_MENU_RECORD_FILES 2021
#define IDS_MENU_RECORDING_DETAILS 2022
#define IDS_MENU_COPY 2023
#define IDS_MENU_COPY_ALL 2024
#define IDS_MENU_SEARCH_NOW 2025
#define IDS_MENU_SEARCH_NETWORKS 2026
#define IDS_COPY_FAILED 2027
// The texts that recording shows.
#include "recording/RecordingStrings.h"
#define IDS_LAST 2086
