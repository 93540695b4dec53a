// The ids of configuration's resources: the Set dialog's template and controls, and the
// operator texts that Set and the web page show. The dialog template and the texts are in the
// program's resources, whose other ids are in app/resource.h; the numbers fit in among those.
#pragma once

// The Set dialog
#define IDD_SET 129
#define IDC_SET_IP_LABEL 130
#define IDC_SET_NETMASK_LABEL 131
#define IDC_SET_GATEWAY_LABEL 132
#define IDC_SET_IP 133
#define IDC_SET_NETMASK 134
#define IDC_SET_GATEWAY 135
#define IDC_SET_ID_LABEL 136
#define IDC_SET_ID 137
// The texts of Set and the web page
#define IDS_WARNING_CAPTION 2028
#define IDS_SET_CONFIRMATION 2029
#define IDS_SET_FIELD_LAN_IP 2030
#define IDS_SET_FIELD_LAN_NETMASK 2031
#define IDS_SET_FIELD_LAN_GATEWAY 2032
#define IDS_SET_REFUSED_OPEN 2033
#define IDS_SET_REFUSED_IS_NOT 2034
#define IDS_SET_REFUSED_NETMASK 2035
#define IDS_SET_REFUSED_ADDRESS 2036
#define IDS_SUBNET_WARNING 2037
#define IDS_ADAPTER_INTERFACE 2038
#define IDS_ADAPTER_NAME_OPEN 2039
#define IDS_ADAPTER_NAME_CLOSE 2040
#define IDS_ADAPTER_NAME_END 2041
#define IDS_UNKNOWN_ERROR 2042
#define IDS_ERROR_NUMBER 2043
#define IDS_ERROR_NUMBER_END 2044
#define IDS_ALIAS_FAILED 2045
#define IDS_ALIAS_FAILED_NETMASK 2046
#define IDS_ALIAS_FAILED_ADAPTER 2047
#define IDS_ALIAS_FAILED_REASON 2048
#define IDS_ALIAS_FAILED_RIGHTS 2049
#define IDS_ALIAS_UNUSUAL_NETMASK 2050
#define IDS_ALIAS_UNUSUAL_NETMASK_RANGE 2051
