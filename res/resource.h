#ifndef VELMOR_RES_RESOURCE_H
#define VELMOR_RES_RESOURCE_H

#define IDI_SAVER 101
#define IDC_BLANK 102
#define IDD_CONFIG 103
#define IDC_INTERVAL_SPIN 1001
#define IDC_VERSION 1003
#define IDC_INTERVAL 1004

// The photographs, one IMGDAT resource (a JPEG stream) per picture number.
// The ids are not in picture order, and 141, 143, 153 and 154 are unused.
#define PICTURE_COUNT 12
#define IDR_PICTURE_1 140
#define IDR_PICTURE_2 142
#define IDR_PICTURE_3 155
#define IDR_PICTURE_4 144
#define IDR_PICTURE_5 145
#define IDR_PICTURE_6 146
#define IDR_PICTURE_7 147
#define IDR_PICTURE_8 148
#define IDR_PICTURE_9 149
#define IDR_PICTURE_10 150
#define IDR_PICTURE_11 151
#define IDR_PICTURE_12 152

#endif
