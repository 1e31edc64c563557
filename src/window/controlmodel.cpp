#include "window/controlmodel.h"

#include <algorithm>

namespace xiuyun {

ControlModel::ControlModel() : m_sliderPosition(sliderInitial) {
    for (const ControlLayoutEntry& entry : controlLayout()) {
        State& state = m_states[static_cast<int>(entry.control)];
        state.text = Text::fromUtf8(entry.caption);
        state.visible = entry.visibility == Visibility::Shown;
        state.enabled = entry.enablement == Enablement::Enabled;
    }
}

template <typename Apply> void ControlModel::update(ControlChange change, Apply apply) {
    std::lock_guard lock(m_mutex);
    if (apply())
        changed(change);
}

Text ControlModel::text(Control control) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(control)].text;
}

void ControlModel::setText(Control control, const Text& text) {
    update({ControlChange::Kind::Text, control, text}, [&] {
        m_states[static_cast<int>(control)].text = text;
        return true;
    });
}

bool ControlModel::isVisible(Control control) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(control)].visible;
}

void ControlModel::setVisible(Control control, bool visible) {
    update({ControlChange::Kind::Visible, control, {}, visible}, [&] {
        m_states[static_cast<int>(control)].visible = visible;
        return true;
    });
}

bool ControlModel::isEnabled(Control control) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(control)].enabled;
}

void ControlModel::setEnabled(Control control, bool enabled) {
    update({ControlChange::Kind::Enabled, control, {}, enabled}, [&] {
        m_states[static_cast<int>(control)].enabled = enabled;
        return true;
    });
}

bool ControlModel::isReadOnly(Control control) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(control)].readOnly;
}

void ControlModel::setReadOnly(Control control, bool readOnly) {
    update({ControlChange::Kind::ReadOnly, control, {}, readOnly}, [&] {
        m_states[static_cast<int>(control)].readOnly = readOnly;
        return true;
    });
}

bool ControlModel::isTicked(Control control) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(control)].ticked;
}

void ControlModel::setTicked(Control control, bool ticked) {
    update({ControlChange::Kind::Ticked, control, {}, ticked}, [&] {
        m_states[static_cast<int>(control)].ticked = ticked;
        return true;
    });
}

int ControlModel::sliderPosition() const {
    std::lock_guard lock(m_mutex);
    return m_sliderPosition;
}

void ControlModel::setSliderPosition(int position) {
    if (position < sliderMinimum)
        position = sliderMinimum;
    if (position > sliderMaximum)
        position = sliderMaximum;
    update({ControlChange::Kind::Position, Control::滑块条1, {}, false, position}, [&] {
        m_sliderPosition = position;
        return true;
    });
}

ProgressValue ControlModel::progress(Control bar) const {
    std::lock_guard lock(m_mutex);
    return m_states[static_cast<int>(bar)].progress;
}

void ControlModel::setProgress(Control bar, ProgressValue progress) {
    progress.value = std::clamp(progress.value, 0, progressMaximum);
    ControlChange change{ControlChange::Kind::Progress, bar, {}, false, progress.value};
    change.progressState = progress.state;
    update(change, [&] {
        m_states[static_cast<int>(bar)].progress = progress;
        return true;
    });
}

void ControlModel::showImageRows(std::shared_ptr<const ImageRowSource> source) {
    {
        std::lock_guard lock(m_mutex);
        m_rowSource = std::move(source);
    }
    imageRowsReplaced();
}

void ControlModel::imageRowsReplaced() {
    update({ControlChange::Kind::RowsReplaced, Control::超级列表框1, {}}, [] { return true; });
}

void ControlModel::imageRowChanged(int row) {
    update({ControlChange::Kind::RowChanged, Control::超级列表框1, {}, false, row},
           [row] { return row >= 0; });
}

std::shared_ptr<const ImageRowSource> ControlModel::rowSource() const {
    std::lock_guard lock(m_mutex);
    return m_rowSource;
}

Text ControlModel::cell(int row, int column) const {
    const auto source = rowSource();
    if (!source || column < 0 || column > 2)
        return {};
    return source->cell(row, column);
}

int ControlModel::rowCount() const {
    const auto source = rowSource();
    return source ? source->rowCount() : 0;
}

void ControlModel::ensureRowVisible(int row) {
    const bool shown = row >= 0 && row < rowCount();
    update({ControlChange::Kind::RowShown, Control::超级列表框1, {}, false, row}, [shown] { return shown; });
}

void ControlModel::recordUserText(Control control, const Text& text) {
    std::lock_guard lock(m_mutex);
    m_states[static_cast<int>(control)].text = text;
}

void ControlModel::recordUserTick(Control control, bool ticked) {
    std::lock_guard lock(m_mutex);
    m_states[static_cast<int>(control)].ticked = ticked;
}

void ControlModel::recordUserSliderPosition(int position) {
    std::lock_guard lock(m_mutex);
    m_sliderPosition = position;
}

void ControlModel::activate(Control control) {
    {
        std::lock_guard lock(m_mutex);
        State& state = m_states[static_cast<int>(control)];
        if (!state.enabled || !state.visible)
            return;
        if (layoutOf(control).kind == ControlKind::CheckBox) {
            state.ticked = !state.ticked;
            changed({ControlChange::Kind::Ticked, control, {}, state.ticked});
        }
    }
    if (m_events.controlActivated)
        m_events.controlActivated(control);
}

} // namespace xiuyun
