// Numbers of the splitter's resources, controls and commands.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_PIECE_SIZE 135
#define IDD_INFO 137
#define IDD_DEDICATION 152
#define IDD_ERROR 160
#define IDR_MAINFRAME 128
#define IDR_CLIP_ERROR 130
#define IDR_CLIP_ABOUT 133
#define IDR_CLIP_DEDICATION 134
// The joiners written beside every set, both of resource type "CONCAT": the
// Windows joiner PortelanConcat.exe as "_<base>.exe", and the Linux joiner
// portelanconcat as "_<base>" (absent from a build without PORTELAN_OTHER_JOINER).
#define IDR_CONCAT 139
#define IDR_CONCAT_LINUX 140
#define IDM_ABOUTBOX 16
#define IDM_UPDATE 1049

// Main window.
#define IDC_START 1003
#define IDC_HAVE_SOURCE 1004
#define IDC_HAVE_TARGET 1005
#define IDC_HAVE_SIZE 1006
#define IDC_SOURCE 1007
#define IDC_TARGET 1008
#define IDC_SIZE_TEXT 1009
#define IDC_STATUS 1010
#define IDC_PROGRESS 1029
#define IDC_GREETING 1032
#define IDC_RECOVERY 1033
// Labels that the window gives their texts.
#define IDC_SETTINGS 1070
#define IDC_RECOVERY_LABEL 1071
#define IDC_RECOVERY_UNIT 1072

// Piece-size window.
#define IDC_VALUE 1016
#define IDC_UNIT_BYTES 1017
#define IDC_UNIT_KB 1018
#define IDC_UNIT_MB 1019
#define IDC_FREE 1022
#define IDC_BY_COUNT 1034
#define IDC_COUNT 1035
// The preset rows, made by the window: IDC_PRESET + their place in the table.
#define IDC_PRESET 1060

// Information window.
#define IDC_INFO_NAME 1022
#define IDC_INFO_SOURCE_DIR 1023
#define IDC_INFO_SOURCE_SIZE 1024
#define IDC_INFO_TARGET 1025
#define IDC_INFO_PIECE_SIZE 1026
#define IDC_INFO_COUNT 1027
#define IDC_INFO_VERDICT 1028
#define IDC_INFO_RECOVERY 1030
#define IDC_INFO_SOURCE_GROUP 1080
#define IDC_INFO_NAME_LABEL 1081
#define IDC_INFO_SOURCE_DIR_LABEL 1082
#define IDC_INFO_SOURCE_SIZE_LABEL 1083
#define IDC_INFO_TARGET_GROUP 1084
#define IDC_INFO_TARGET_LABEL 1085
#define IDC_INFO_COUNT_LABEL 1086
#define IDC_INFO_PIECE_SIZE_LABEL 1087
#define IDC_INFO_RECOVERY_LABEL 1088
#define IDC_INFO_NOTES_GROUP 1089

// Error window.
#define IDC_ERROR_CLIP 1012
#define IDC_ERROR_TEXT 1002

// About box.
#define IDC_ABOUT_ICON 1004
#define IDC_ABOUT_NOTE 1009
#define IDC_ABOUT_VERSION 1011
#define IDC_ABOUT_CLIP 1012
#define IDC_ABOUT_LEGAL 1022
#define IDC_ABOUT_MAIL 1023

// Dedication.
#define IDC_DEDICATION_CLIP 1043
#define IDC_DEDICATION_TEXT 1044

#define ID_HELP_COMMAND 0xE146

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
