// Resource and control ids of setup; shared by the resource script and the code.
#pragma once

#define IDI_SETUP 1000
#define IDD_PROGRESS 1100
#define IDC_PROGRESS 1200
#define IDC_PERCENT 1201
#define IDC_STATUS 1202
#define IDR_PAYLOAD 2000
