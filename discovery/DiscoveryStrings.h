// The ids of the operator texts that discovery shows (the device table's column headers and
// Record cells, the network search's status and refusals). Their texts are in the program's
// string table, whose other ids are in app/resource.h; the numbers continue that sequence.
#pragma once

// The device table's column headers and Record cells
#define IDS_COLUMN_ID 2003
#define IDS_COLUMN_ACTIVE_TIME 2004
#define IDS_COLUMN_LAN_IP 2005
#define IDS_COLUMN_LAN_STATIC_IP 2006
#define IDS_COLUMN_LAN_NETMASK 2007
#define IDS_COLUMN_LAN_GATEWAY 2008
#define IDS_COLUMN_LAN_MAC 2009
#define IDS_COLUMN_DESCRIPTION 2010
#define IDS_COLUMN_RECORD 2011
#define IDS_RECORD_CELL_OFF 2012
#define IDS_RECORD_CELL_OPEN 2013
#define IDS_RECORD_CELL_ON 2014
// Search networks
#define IDS_SEARCH_SOCKET_FAILED 2075
#define IDS_SEARCH_DONE 2076
#define IDS_SEARCH_STOPPED 2077
#define IDS_SEARCH_SECOND_PASS 2078
#define IDS_SEARCH_RUNNING 2079
#define IDS_SEARCH_MALFORMED_OPEN 2080
#define IDS_SEARCH_MALFORMED 2081
#define IDS_SEARCH_NO_ENTRY 2082
#define IDS_SEARCH_TOO_MANY 2083
#define IDS_SEARCH_TOO_MANY_LIMIT 2084
#define IDS_SEARCH_TOO_MANY_AT 2085
#define IDS_SEARCH_TOO_MANY_END 2086
