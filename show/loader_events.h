#ifndef VELMOR_SHOW_LOADER_EVENTS_H
#define VELMOR_SHOW_LOADER_EVENTS_H

// An observer of the loader handshake, for tests and measurements.  It is
// null in the saver; when set it is called on the thread where the event
// happens (the loader thread, or the GUI thread for LOADER_EVENT_RELEASE),
// so it must be thread-safe and quick.
enum LoaderEvent {
    LOADER_EVENT_HOLD_POLL,     // the loader slept one 100 ms poll; value 0
    LOADER_EVENT_QUIT,          // it ended on LOADER_QUIT without a picture
    LOADER_EVENT_DECODE_BEGIN,  // value: the picture number it loads
    LOADER_EVENT_DECODE_END,    // value: the picture number it loaded
    LOADER_EVENT_RELEASE        // the GUI thread first released the loader;
                                // value: shownTicks of that tick
};

typedef void (*LoaderEventHook)(LoaderEvent event, int value);

// Installs `hook` (null removes it); returns the previous one.
LoaderEventHook SetLoaderEventHook(LoaderEventHook hook);
void NotifyLoaderEvent(LoaderEvent event, int value);

#endif
