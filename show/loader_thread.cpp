#include "show/loader_thread.h"

#include <atomic>
#include <new>

#include "app/saver_window.h"
#include "image/jpeg_image.h"
#include "show/loader_events.h"

namespace {

const DWORD HOLD_POLL_MS = 100;

std::atomic<LoaderEventHook> loaderEventHook(nullptr);

}  // namespace

LoaderEventHook SetLoaderEventHook(LoaderEventHook hook) {
    return loaderEventHook.exchange(hook);
}

void NotifyLoaderEvent(LoaderEvent event, int value) {
    LoaderEventHook hook = loaderEventHook.load();
    if (hook) hook(event, value);
}

int PictureResourceIds(int pictureNumber) {
    // The resources are not numbered in picture order.
    static const int ids[12] = {140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152};
    if (pictureNumber < 1 || pictureNumber > 12) return 0;
    return ids[pictureNumber - 1];
}

int RunLoader(std::atomic<int>& loaderControl, const int& pictureNumber,
              JpegImage*& preparedPicture) {
    while (loaderControl.load() == LOADER_HOLD) {
        Sleep(HOLD_POLL_MS);
        NotifyLoaderEvent(LOADER_EVENT_HOLD_POLL, 0);
    }
    if (loaderControl.load() < 0) {
        NotifyLoaderEvent(LOADER_EVENT_QUIT, 0);
        return 0;
    }

    // Published before decoding: the GUI thread looks at it only after this
    // thread has ended.
    preparedPicture = new (std::nothrow) JpegImage();
    if (!preparedPicture) return 0;

    int number = pictureNumber;
    NotifyLoaderEvent(LOADER_EVENT_DECODE_BEGIN, number);
    int id = PictureResourceIds(number);
    if (id != 0) preparedPicture->LoadFromResource(id, nullptr);
    NotifyLoaderEvent(LOADER_EVENT_DECODE_END, number);
    return 1;
}

DWORD WINAPI LoaderThreadProc(LPVOID saverWindow) {
    SaverWindow* window = static_cast<SaverWindow*>(saverWindow);
    RunLoader(window->loaderControl, window->pictureNumber, window->preparedPicture);
    return 0;  // the thread's exit code is 0 in every case
}
