// The state of every control, kept apart from any toolkit: the source of truth that both the
// real window and the headless window read from and write to.
#pragma once

#include "window/window.h"

#include <array>
#include <mutex>
#include <vector>

namespace xiuyun {

struct ControlChange {
    enum class Kind {
        Text,
        Visible,
        Enabled,
        ReadOnly,
        Ticked,
        Position,
        Progress,     // a bar's value in `number`, its state in `progressState`
        RowsReplaced, // read the row count and every row anew from the model
        RowChanged,   // read row `number` anew
        RowShown
    };
    Kind kind;
    Control control = Control::超级列表框1;
    Text text;
    bool flag = false;
    int number = 0; // slider position, or row index
    int column = 0;
    ProgressState progressState = ProgressState::None;
};

class ControlModel : public Window {
public:
    ControlModel();

    Text text(Control control) const override;
    void setText(Control control, const Text& text) override;
    bool isVisible(Control control) const override;
    void setVisible(Control control, bool visible) override;
    bool isEnabled(Control control) const override;
    void setEnabled(Control control, bool enabled) override;
    bool isReadOnly(Control control) const override;
    void setReadOnly(Control control, bool readOnly) override;
    bool isTicked(Control control) const override;
    void setTicked(Control control, bool ticked) override;
    int sliderPosition() const override;
    void setSliderPosition(int position) override;
    ProgressValue progress(Control bar) const override;
    void setProgress(Control bar, ProgressValue progress) override;

    void showImageRows(std::shared_ptr<const ImageRowSource> source) override;
    void imageRowsReplaced() override;
    void imageRowChanged(int row) override;
    Text cell(int row, int column) const override;
    int rowCount() const override;
    void ensureRowVisible(int row) override;

    void setEvents(WindowEvents events) { m_events = std::move(events); }
    const WindowEvents& events() const { return m_events; }

    // Input from the user, already shown by the toolkit: recorded without a change notice.
    void recordUserText(Control control, const Text& text);
    void recordUserTick(Control control, bool ticked);
    void recordUserSliderPosition(int position);

    // Runs the handler of a control the user clicked, toggling a check box first. A disabled or
    // hidden control does nothing.
    void activate(Control control);

protected:
    // Called under the model's lock, in the order the changes were made.
    virtual void changed(const ControlChange&) {}

private:
    struct State {
        Text text;
        bool visible = true;
        bool enabled = true;
        bool readOnly = false;
        bool ticked = false;
        ProgressValue progress;
    };
    template <typename Apply> void update(ControlChange change, Apply apply);
    std::shared_ptr<const ImageRowSource> rowSource() const;

    mutable std::mutex m_mutex;
    std::array<State, controlCount> m_states;
    int m_sliderPosition;
    // Read without the model's lock held: the source takes its own, and a writer of the rows may
    // hold it while it tells the model of a change.
    std::shared_ptr<const ImageRowSource> m_rowSource;
    WindowEvents m_events;
};

} // namespace xiuyun
