// The ids of the operator texts that recording shows (its refusals and ends, Record Files and
// the health lines). Their texts are in the program's string table, whose other ids are in
// app/resource.h; the numbers continue that sequence.
#pragma once

// Recording: refusals, ends, Record Files and the health lines
#define IDS_RECORD_DISK_NEARLY_FULL 2052
#define IDS_RECORD_CONNECT_FAILED 2053
#define IDS_RECORD_NOT_A_STREAM 2054
#define IDS_RECORD_NOT_A_STREAM_SIZE 2055
#define IDS_RECORD_FILE_NOT_CREATED 2056
#define IDS_RECORD_STREAM_ENDED 2057
#define IDS_RECORD_SILENT 2058
#define IDS_RECORD_SILENT_SECONDS 2059
#define IDS_RECORD_WRITE_FAILED 2060
#define IDS_RECORD_DISK_FULL_STOPPED 2061
#define IDS_RECORD_FILE_NOT_YET 2062
#define IDS_HEALTH_SINCE 2063
#define IDS_HEALTH_FOR 2064
#define IDS_HEALTH_FILE 2065
#define IDS_HEALTH_FILE_SEPARATOR 2066
#define IDS_HEALTH_FILE_SIZE 2067
#define IDS_HEALTH_RATE 2068
#define IDS_HEALTH_RATE_WINDOW 2069
#define IDS_HEALTH_RATE_VALUE 2070
#define IDS_HEALTH_CONTINUITY 2071
#define IDS_HEALTH_LOST_SYNC 2072
#define IDS_HEALTH_NO_DATA 2073
#define IDS_HEALTH_NO_DATA_SECONDS 2074
