// The window layer: every control operation the system uses, callable from any thread.
#pragma once

#include "text/text.h"
#include "window/controls.h"

#include <functional>
#include <memory>

namespace xiuyun {

enum class MessageIcon { Error, Warning, Information };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// The answer of a box closed without a choice, or one that can no longer be shown: Cancel, or OK
// when that is the only button.
inline MessageAnswer closedAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

// The platform's folder picker as the program asks for it. Every field has an initializer, so a
// caller names only what it sets ({.title = …}).
struct FolderDialog {
    Text title{};
    Text initialFolder{}; // preselected when not empty
    bool includeFiles = false;
    bool showEditBox = false;
    bool newStyle = true;
};

// What a progress bar shows beside its share done. The Windows taskbar button shows both; None
// takes its bar away there.
enum class ProgressState { None, Normal, Paused, Error };
struct ProgressValue {
    int value = 0; // 0 … progressMaximum
    ProgressState state = ProgressState::None;
    bool operator==(const ProgressValue&) const = default;
};

// What the window reports to the program: a click on a button or check box (after the box's
// tick has toggled), a slider movement, and the window's own life.
struct WindowEvents {
    std::function<void(Control)> controlActivated;
    std::function<void()> windowCreated;
    std::function<void()> windowDestroying;
};

// The rows of the image list 超级列表框1 as the program keeps them. The list keeps no copy: it asks
// for the cells it shows, on its own thread, whenever it shows them.
class ImageRowSource {
public:
    virtual ~ImageRowSource() = default;
    virtual int rowCount() const = 0;
    // Column 0 "序号", 1 "下载", 2 "状态"; empty outside the rows.
    virtual Text cell(int row, int column) const = 0;
};

// Reads never wait for the window's thread: a download thread holding the download lock can't
// deadlock with a handler waiting for that lock. Writes from all threads are shown in the order
// they were made.
class Window {
public:
    virtual ~Window() = default;

    // Edit box content, label caption or button caption.
    virtual Text text(Control control) const = 0;
    virtual void setText(Control control, const Text& text) = 0;
    virtual bool isVisible(Control control) const = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    virtual bool isEnabled(Control control) const = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual bool isReadOnly(Control control) const = 0;
    virtual void setReadOnly(Control control, bool readOnly) = 0;
    // Setting a tick from code never runs the box's handler.
    virtual bool isTicked(Control control) const = 0;
    virtual void setTicked(Control control, bool ticked) = 0;
    virtual int sliderPosition() const = 0;
    virtual void setSliderPosition(int position) = 0;
    virtual ProgressValue progress(Control bar) const = 0;
    virtual void setProgress(Control bar, ProgressValue progress) = 0;

    // The image list 超级列表框1 shows the rows of `source`; none without one.
    virtual void showImageRows(std::shared_ptr<const ImageRowSource> source) = 0;
    // The source's rows were all replaced, or one of them changed: the list shows them anew.
    virtual void imageRowsReplaced() = 0;
    virtual void imageRowChanged(int row) = 0;
    // A cell as the list shows it (column 0 "序号", 1 "下载", 2 "状态"), and the rows it shows.
    virtual Text cell(int row, int column) const = 0;
    virtual int rowCount() const = 0;
    virtual void ensureRowVisible(int row) = 0;

    // A modal box owned by the main window; blocks the calling thread until it is closed.
    virtual MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                                      MessageButtons buttons = MessageButtons::Ok) = 0;

    // Shows the folder picker, modal to the main window, on the window's thread: the chosen
    // folder's path, or the empty text when the user cancels or picks no folder on disk.
    virtual Text chooseFolder(const FolderDialog& dialog) = 0;

    // Hands pending window messages (painting, timers, queued control updates) to the window,
    // never user input, so no second command can start in the middle of a running one. Does
    // nothing on a thread other than the window's.
    virtual void pumpMessages() = 0;
};

} // namespace xiuyun
