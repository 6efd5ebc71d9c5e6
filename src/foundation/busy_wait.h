// Waiting on the GUI thread without freezing the windows.
//
// Some waits cannot be avoided (another program holds the database's lock;
// a picture is being read on a worker thread and its image is needed before
// the user goes on). While the GUI thread waits it shows the busy cursor and
// keeps handling the events that repaint windows and fire timers, leaving
// user input for afterwards.
#pragma once

#include <functional>

namespace draxa {

// Shows the busy cursor for its lifetime (nested ones stack). Does nothing
// without a GUI application.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    bool FShown = false;
};

// Handles the events that are waiting, except user input, for at most MaxMs
// milliseconds: windows repaint and timers fire while the caller waits. Does
// nothing off the GUI thread or without an application.
void KeepWindowsPainting(int MaxMs);

// A handler for a wait that reports itself repeatedly with Waiting = true
// and once with false when it is over (TDrawingsStore::OnLockWait): the busy
// cursor shows from the first call to the last, and the windows keep
// painting in between.
std::function<void(bool Waiting)> BusyWaitHandler();

} // namespace draxa
