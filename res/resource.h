#ifndef VELMOR_RES_RESOURCE_H
#define VELMOR_RES_RESOURCE_H

#define IDI_SAVER           101
#define IDC_BLANK           102
#define IDD_CONFIG          103
#define IDC_INTERVAL_SPIN   1001
#define IDC_VERSION         1003
#define IDC_INTERVAL        1004

#endif
