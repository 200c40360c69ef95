// Numbers of menu commands and dialog controls, shared by the resource scripts and the code.
// Plain macros, because the resource compiler reads this file too.
#pragma once

// Commands of "MENU1" (and of "MENU2", whose commands only arrive when sent from outside).
#define CMD_EXIT 40001
#define CMD_MINIMIZE 40002
#define CMD_TOPMOST 40007
#define CMD_BOTTOM 40008
#define CMD_NORMAL 40009
#define CMD_TRANSPARENCY 40010
#define CMD_ALARMS 40012
#define CMD_BACK_ON_SCREEN 40015
#define CMD_TIME_SERVER 40018
#define CMD_TWELVE_AS_ZERO 40019
#define CMD_24_HOUR 40020
#define CMD_HOME_PAGE 40027
#define CMD_SKIN 40031
#define CMD_NEWS_SETTINGS 40032
#define CMD_NEWS_LIST 40033
#define CMD_FIT_TO_EDGES 40035
#define CMD_PLAYER 40039
#define CMD_PLAYER_ALWAYS_SHOWN 40041
#define CMD_START_WITH_WINDOWS 40050
#define CMD_ABOUT 40051
// "サイズ": the clock's size as a percent of the display scale, in the order of kSizeChoices.
#define CMD_SIZE_50 40060
#define CMD_SIZE_75 40061
#define CMD_SIZE_100 40062
#define CMD_SIZE_125 40063
#define CMD_SIZE_150 40064
#define CMD_SIZE_200 40065

// "ALPHA": the transparency dialog.
#define IDC_ALPHA_TRACK 1003
#define IDC_ALPHA_USE 1004
#define IDC_ALPHA_LOW_LABEL 1008
#define IDC_ALPHA_HIGH_LABEL 1009

// "SKIN": the skin dialog.
#define IDC_SKIN_COMMENT 1033
#define IDC_SKIN_BRAND 1035
#define IDC_SKIN_LIST 1036
#define IDC_SKIN_VOICE 1037

// "SNTPC": the time-server dialog.
#define IDC_SNTP_SERVER 1023
#define IDC_SNTP_USE 1025
#define IDC_SNTP_SYNC_NOW 1027

// Alarm block: "AlarmList", "ALARM" and "ALARMSTOP".
// "AlarmList": the list of the eight alarms.
#define IDC_ALARM_USE 1004
#define IDC_ALARM_LIST 1030
// "ALARM": the editor of one alarm.
#define IDC_ALARM_HOUR 1010
#define IDC_ALARM_MINUTE 1011
#define IDC_ALARM_SOUND 1012
#define IDC_ALARM_TEST 1013
#define IDC_ALARM_FILE 1014
#define IDC_ALARM_BROWSE 1016
#define IDC_ALARM_FILE_LABEL 1018
#define IDC_ALARM_RESET 1053
// "ALARMSTOP" has only its stop button, IDOK.
// End of the alarm block.

// "RSS": the news list.
#define IDC_NEWS_FEED0 1004  // 1004-1007: the four feeds' check boxes
#define IDC_NEWS_FEED_STATUS0 1050  // 1050-1053: beside them, when each was fetched
#define IDC_NEWS_LIST 1030
#define IDC_NEWS_DESCRIPTION 1032

// "RSS_SET": the news settings.
#define IDC_NEWS_SPEED 1003
#define IDC_NEWS_SOUND 1004
#define IDC_NEWS_MESSAGE 1005
#define IDC_NEWS_INTERVAL 1010
#define IDC_NEWS_RECENT 1011
#define IDC_NEWS_DOUBLE_CLICK 1038
#define IDC_NEWS_SINGLE_CLICK 1039
#define IDC_NEWS_NO_CLICK 1040
#define IDC_NEWS_ADDRESS0 1060        // 1060-1063: the four feeds' addresses
#define IDC_NEWS_ADDRESS_LABEL0 1064  // 1064-1067: their labels, the feeds' brand names

// Player block: the player panel and the play-list window.
// "SNDP": the player panel.
#define IDC_PANEL_POSITION 1003
#define IDC_PANEL_LOOP 1004
#define IDC_PANEL_SHUFFLE 1005
#define IDC_PANEL_TITLE 1032
#define IDC_PANEL_VOLUME 1042
#define IDC_PANEL_PLAY 1043
#define IDC_PANEL_NEXT 1044
#define IDC_PANEL_BACK 1045
#define IDC_PANEL_LIST 1046
#define IDC_PANEL_TIME 1047
#define IDC_PANEL_HIDE 1056

// "SNDLIST": the play-list window.
#define IDC_PLAYLIST_VIEW 1030
#define IDC_PLAYLIST_SAVE 1048
#define IDC_PLAYLIST_LOAD 1050
// End of the player block.
