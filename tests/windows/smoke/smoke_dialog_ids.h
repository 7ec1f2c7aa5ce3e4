/* Resource ids of the smoke dialog, shared by the resource script and C++. */
#pragma once

#define IDD_SMOKE 101
#define IDD_NOT_IN_RESOURCES 199

#define IDC_NAME 1001
#define IDC_ITEMS 1002
#define IDC_SPEED 1003
#define IDC_ENABLED 1004
#define IDC_DETAILS 1005
