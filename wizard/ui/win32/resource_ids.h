#pragma once

// Resource ids of _install (shared by the resource script and the code).
#define IDI_INSTALL 1
#define IDC_LINK_HAND 100

#define IDB_PRODUCT_NAME 201
#define IDB_ORNAMENT 202
#define IDB_EDITION_STRIP 203
#define IDB_FRAMEWORK_PAGE 204
#define IDB_ERROR_PAGE 205
#define IDB_COMPLETION_PANEL 206
#define IDB_COMPLETION_IMAGE 207

#define IDR_BANNER_JPEG 301
#define IDR_FOOTER_JPEG 302
