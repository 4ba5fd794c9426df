/* Ids of driver-target's commands and dialog (shared with its resource script). */
#ifndef SORN_TESTS_DRIVER_TARGET_H
#define SORN_TESTS_DRIVER_TARGET_H
#define IDM_TARGET_BOX      100
#define IDM_TARGET_DIALOG   101
#define IDD_TARGET          200
#define IDC_TARGET_EDIT     300
#define IDC_TARGET_DISABLED 301
#endif
