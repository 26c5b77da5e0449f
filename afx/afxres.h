// The framework's own command numbers, for C++ and for resource scripts.
#pragma once

#define ID_APP_EXIT 0xE141  /* 57665: File, Exit */
#define ID_HELP 0xE146      /* 57670: F1 */

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
