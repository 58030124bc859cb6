#include "show/loader_thread.h"

#include <atomic>
#include <new>

#include "image/jpeg_image.h"
#include "res/resource.h"
#include "show/loader_events.h"
#include "show/slide_show.h"

namespace {

// A held loader looks at its control word this often: a release takes effect
// within one poll, and the decode need not start sooner.
const DWORD HOLD_POLL_MS = 100;

const int PICTURE_RESOURCE_IDS[PICTURE_COUNT] = {
    IDR_PICTURE_1, IDR_PICTURE_2, IDR_PICTURE_3, IDR_PICTURE_4,  IDR_PICTURE_5,  IDR_PICTURE_6,
    IDR_PICTURE_7, IDR_PICTURE_8, IDR_PICTURE_9, IDR_PICTURE_10, IDR_PICTURE_11, IDR_PICTURE_12};

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
    if (pictureNumber < 1 || pictureNumber > PICTURE_COUNT) return 0;
    return PICTURE_RESOURCE_IDS[pictureNumber - 1];
}

int RunLoader(std::atomic<int>& loaderControl, const int& pictureNumber,
              std::unique_ptr<JpegImage>& preparedPicture) {
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
    preparedPicture.reset(new (std::nothrow) JpegImage());
    if (!preparedPicture) return 0;

    int number = pictureNumber;
    NotifyLoaderEvent(LOADER_EVENT_DECODE_BEGIN, number);
    int id = PictureResourceIds(number);
    if (id != 0) preparedPicture->LoadFromResource(id, nullptr);
    NotifyLoaderEvent(LOADER_EVENT_DECODE_END, number);
    return 1;
}

DWORD WINAPI LoaderThreadProc(LPVOID slideShow) {
    SlideShow* show = static_cast<SlideShow*>(slideShow);
    RunLoader(show->loaderControl, show->pictureNumber, show->preparedPicture);
    return 0;  // the thread's exit code is 0 in every case
}
