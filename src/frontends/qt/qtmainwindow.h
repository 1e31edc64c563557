// The main window: one standard widget per control of the layout, at its place, named after it.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QTreeView;

namespace xiuyun {

// moc reads this header and only ASCII: the controls' names stay out of it.
enum class Control;
struct ControlLayoutEntry;
class ControlModel;
class ImageListModel;
struct ControlChange;

class QtMainWindow : public QWidget {
    Q_OBJECT

public:
    // The user's typing, ticks and slider moves are recorded into `model`, and clicks run its
    // handlers through ControlModel::activate.
    explicit QtMainWindow(ControlModel& model);

    // Shows changes of the model on the widgets, in order. GUI thread only.
    void apply(const std::vector<ControlChange>& changes);

    QWidget* widgetOf(Control control) const { return m_widgets[static_cast<std::size_t>(control)]; }
    QTreeView* imageList() const { return m_imageList; }
    ImageListModel* imageListModel() const { return m_imageListModel; }

    // Runs once, when the window agrees to close and before it disappears.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createWidget(const ControlLayoutEntry& entry, QWidget* parent);
    void applyOne(const ControlChange& change);
    void onEdited(Control control, const QString& text);
    void onBoxClicked(Control control);
    void onSliderMoved(int position);

    ControlModel& m_model;
    std::vector<QWidget*> m_widgets; // indexed by Control
    QTreeView* m_imageList = nullptr;
    ImageListModel* m_imageListModel = nullptr;
    std::function<void()> m_closeHandler;
    // The bytes of the folder the program last put in the folder box: what the box shows of a name
    // with escapes is not that name, so the box keeps it while it shows it unchanged.
    std::string m_folderShown;
};

} // namespace xiuyun
