/* Message-cracker helpers; the coordinate macros live with the rest in <windows.h>. */
#ifndef MVWIN32_WINDOWSX_H_
#define MVWIN32_WINDOWSX_H_

#include <windows.h>

#endif /* MVWIN32_WINDOWSX_H_ */
