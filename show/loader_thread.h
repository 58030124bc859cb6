#ifndef VELMOR_SHOW_LOADER_THREAD_H
#define VELMOR_SHOW_LOADER_THREAD_H

#include <windows.h>

#include <atomic>
#include <memory>

class JpegImage;

// Values of SlideShow::loaderControl, the loader thread's control word.
enum LoaderControl { LOADER_QUIT = -1, LOADER_HOLD = 0, LOADER_GO = 1 };

// IMGDAT resource id of picture 1..12; 0 for any other number.
int PictureResourceIds(int pictureNumber);

// Thread routine: holds while the control word is LOADER_HOLD, then either
// ends (LOADER_QUIT) or decodes picture `pictureNumber` into a new
// JpegImage published in `preparedPicture`.  The parameter is the SlideShow.
DWORD WINAPI LoaderThreadProc(LPVOID slideShow);

// The body of LoaderThreadProc over the three fields it shares with the GUI
// thread: polls the control word every 100 ms while it says hold, then makes
// the picture (1) or, on quit, nothing (0).
int RunLoader(std::atomic<int>& loaderControl, const int& pictureNumber,
              std::unique_ptr<JpegImage>& preparedPicture);

#endif
