#include "frontends/qt/qtmainwindow.h"

#include "frontends/qt/imagelistmodel.h"
#include "frontends/qt/qttext.h"
#include "os/files.h"
#include "window/controlmodel.h"
#include "window/controls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeView>

namespace xiuyun {
namespace {

// The label that announces a control without a caption of its own.
Control captionLabelOf(Control control) {
    switch (control) {
    case Control::编辑框_页面地址:
        return Control::透明标签_页面地址;
    case Control::编辑框_存放目录:
        return Control::透明标签_存放目录;
    case Control::滑块条1:
        return Control::透明标签_线程数量;
    default:
        return control;
    }
}

// What a screen reader calls the controls that show no caption.
QString accessibleNameOf(Control control) {
    switch (control) {
    case Control::超级列表框1:
        return qtString(std::string_view("图片列表"));
    case Control::分组框1:
        return qtString(std::string_view("进度"));
    case Control::进度条_下载进度:
        return qtString(std::string_view("下载进度"));
    default:
        return qtString(layoutOf(captionLabelOf(control)).caption);
    }
}

QRect rectOf(const Geometry& geometry) {
    return {geometry.left, geometry.top, geometry.width, geometry.height};
}

} // namespace

QtMainWindow::QtMainWindow(ControlModel& model) : m_model(model), m_widgets(controlCount, nullptr) {
    setWindowTitle(qtString(xiuyun::windowTitle));
    setGeometry(rectOf(windowGeometry));
    // The table lists 分组框1 before the controls inside it.
    for (const ControlLayoutEntry& entry : controlLayout()) {
        QWidget* parent = entry.insideGroupBox ? widgetOf(Control::分组框1) : this;
        Q_ASSERT(parent);
        QWidget* widget = createWidget(entry, parent);
        widget->setObjectName(qtString(entry.name));
        widget->setGeometry(rectOf(entry.geometry));
        widget->setEnabled(entry.enablement == Enablement::Enabled);
        if (entry.visibility == Visibility::Hidden)
            widget->hide();
        m_widgets[static_cast<std::size_t>(entry.control)] = widget;
    }
    for (Control control : {Control::编辑框_页面地址, Control::编辑框_存放目录, Control::滑块条1}) {
        QWidget* widget = widgetOf(control);
        widget->setAccessibleName(accessibleNameOf(control));
        static_cast<QLabel*>(widgetOf(captionLabelOf(control)))->setBuddy(widget);
    }
}

QWidget* QtMainWindow::createWidget(const ControlLayoutEntry& entry, QWidget* parent) {
    const Control control = entry.control;
    const QString caption = qtString(entry.caption);
    switch (entry.kind) {
    case ControlKind::ListView: {
        auto* view = new QTreeView(parent);
        m_imageListModel = new ImageListModel(m_model, view);
        view->setModel(m_imageListModel);
        view->setRootIsDecorated(false);
        view->setItemsExpandable(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->header()->setStretchLastSection(false);
        view->header()->setSectionsMovable(false);
        for (int column = 0; column < static_cast<int>(listColumns.size()); ++column)
            view->setColumnWidth(column, listColumns[column].width);
        view->setAccessibleName(accessibleNameOf(control));
        m_imageList = view;
        return view;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(caption, parent);
        // Album titles come from the site: never read them as markup.
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::EditBox: {
        auto* edit = new QLineEdit(caption, parent);
        connect(edit, &QLineEdit::textEdited, this,
                [this, control](const QString& text) { onEdited(control, text); });
        return edit;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(caption, parent);
        connect(box, &QCheckBox::clicked, this, [this, control] { onBoxClicked(control); });
        return box;
    }
    case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setRange(sliderMinimum, sliderMaximum);
        slider->setSingleStep(sliderLineStep);
        slider->setPageStep(sliderPageStep);
        slider->setValue(sliderInitial);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(1);
        // valueChanged comes for every position while dragging too; code blocks it when it moves the thumb.
        connect(slider, &QSlider::valueChanged, this, &QtMainWindow::onSliderMoved);
        return slider;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, control] { m_model.activate(control); });
        return button;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(caption, parent);
        group->setAccessibleName(accessibleNameOf(control));
        return group;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, progressMaximum);
        bar->setValue(0);
        bar->setAccessibleName(accessibleNameOf(control));
        return bar;
    }
    }
    return new QWidget(parent);
}

void QtMainWindow::onEdited(Control control, const QString& text) {
    // The model may have locked the box before its change reached the widget.
    if (m_model.isReadOnly(control) || !m_model.isEnabled(control)) {
        static_cast<QLineEdit*>(widgetOf(control))->setText(qtString(m_model.text(control)));
        return;
    }
    if (control != Control::编辑框_存放目录) {
        m_model.recordUserText(control, textOf(text));
        return;
    }
    // A path: a "\" typed here is a letter of a name, as the system takes it.
    const Text shown = Text::fromGbk(m_folderShown);
    m_model.recordUserText(control, text == qtString(shown)
                                        ? shown
                                        : files::fromNativePath(QFile::encodeName(text).toStdString()));
}

void QtMainWindow::onBoxClicked(Control control) {
    // The box has toggled itself; the model toggles its own tick and runs the handler. A box the
    // model already disabled does neither, so the widget takes the model's tick back.
    m_model.activate(control);
    auto* box = static_cast<QCheckBox*>(widgetOf(control));
    box->setChecked(m_model.isTicked(control));
}

void QtMainWindow::onSliderMoved(int position) {
    if (!m_model.isEnabled(Control::滑块条1)) {
        QSignalBlocker blocker(widgetOf(Control::滑块条1));
        static_cast<QSlider*>(widgetOf(Control::滑块条1))->setValue(m_model.sliderPosition());
        return;
    }
    m_model.recordUserSliderPosition(position);
    m_model.activate(Control::滑块条1);
}

void QtMainWindow::apply(const std::vector<ControlChange>& changes) {
    for (const ControlChange& change : changes)
        applyOne(change);
}

void QtMainWindow::applyOne(const ControlChange& change) {
    QWidget* widget = widgetOf(change.control);
    const ControlKind kind = layoutOf(change.control).kind;
    switch (change.kind) {
    case ControlChange::Kind::Text: {
        const QString text = qtString(change.text);
        if (kind == ControlKind::Label)
            static_cast<QLabel*>(widget)->setText(text);
        else if (kind == ControlKind::EditBox) {
            if (change.control == Control::编辑框_存放目录)
                m_folderShown = change.text.bytes();
            auto* edit = static_cast<QLineEdit*>(widget);
            if (edit->text() != text)
                edit->setText(text);
        } else if (kind == ControlKind::Button || kind == ControlKind::CheckBox)
            static_cast<QAbstractButton*>(widget)->setText(text);
        else if (kind == ControlKind::GroupBox)
            static_cast<QGroupBox*>(widget)->setTitle(text);
        break;
    }
    case ControlChange::Kind::Visible:
        widget->setVisible(change.flag);
        break;
    case ControlChange::Kind::Enabled:
        widget->setEnabled(change.flag);
        break;
    case ControlChange::Kind::ReadOnly:
        if (kind == ControlKind::EditBox)
            static_cast<QLineEdit*>(widget)->setReadOnly(change.flag);
        break;
    case ControlChange::Kind::Ticked:
        if (kind == ControlKind::CheckBox)
            static_cast<QCheckBox*>(widget)->setChecked(change.flag);
        break;
    case ControlChange::Kind::Position: {
        QSignalBlocker blocker(widget);
        static_cast<QSlider*>(widget)->setValue(change.number);
        break;
    }
    case ControlChange::Kind::Progress:
        // Linux has no taskbar progress that Qt reaches: the state stays the Windows window's.
        if (kind == ControlKind::ProgressBar)
            static_cast<QProgressBar*>(widget)->setValue(change.number);
        break;
    case ControlChange::Kind::RowsReplaced:
        m_imageListModel->replaceRows();
        break;
    case ControlChange::Kind::RowChanged:
        m_imageListModel->rowChanged(change.number);
        break;
    case ControlChange::Kind::RowShown:
        m_imageList->scrollTo(m_imageListModel->index(change.number, 0), QAbstractItemView::EnsureVisible);
        break;
    }
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
    if (auto handler = std::exchange(m_closeHandler, nullptr))
        handler();
    QWidget::closeEvent(event);
}

} // namespace xiuyun
