#include "ui/NetworkWindow.h"

#include "comm/Exception.h"
#include "network/MemberProvisioning.h"
#include "network/NetworkDrawing.h"
#include "network/NetworkPlan.h"
#include "settings/MessageSink.h"
#include "settings/SettingsModel.h"
#include "ui/MainWindow.h"
#include "ui/NetworkApplyRun.h"
#include "ui/NetworkScene.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr double kZoomStep = 1.25;

// Double-clicks on a member's box open it; Ctrl and the wheel zoom.
class ViewEvents : public QObject {
public:
    ViewEvents(NetworkWindow *window, QGraphicsView *view) : QObject(window), m_window(window), m_view(view) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            for (QGraphicsItem *item = m_view->itemAt(mouse->position().toPoint()); item; item = item->parentItem())
                if (item->data(kMemberRole).isValid()) {
                    if (item->data(kMemberRole).toInt() >= 0)
                        m_window->openMember(item->data(kMemberRole).toInt());
                    return true;
                }
        }
        if (event->type() == QEvent::Wheel) {
            const auto *wheel = static_cast<QWheelEvent *>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                m_window->zoomBy(wheel->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep);
                return true;
            }
        }
        return false;
    }

private:
    NetworkWindow *m_window;
    QGraphicsView *m_view;
};

QString findingCounts(const std::vector<NetworkFinding> &findings, const QString &member)
{
    int n[3] = {0, 0, 0};
    for (const NetworkFinding &f : findings)
        if (f.members.contains(member))
            ++n[int(f.severity)];
    QStringList parts;
    const char *names[3] = {"error", "warning", "information"};
    for (int s = 0; s < 3; ++s)
        if (n[s] > 0)
            parts << QStringLiteral("%1 %2%3").arg(n[s]).arg(QString::fromLatin1(names[s]),
                                                              n[s] > 1 && s < 2 ? QStringLiteral("s") : QString());
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

}  // namespace

NetworkWindow::NetworkWindow(Network network, bool fromPlan, MessageSink &messages, QWidget *parent)
    : QMainWindow(parent), m_network(std::move(network)), m_fromPlan(fromPlan), m_messages(messages),
      m_findings(checkNetwork(m_network))
{
    setObjectName(QStringLiteral("NetworkWindow"));
    setWindowTitle(m_network.name.isEmpty() ? QStringLiteral("Network")
                                            : QStringLiteral("Network: %1").arg(m_network.name));
    m_scene = new QGraphicsScene(this);
    drawNetworkScene(*m_scene, drawNetwork(m_network, m_findings));
    m_view = new QGraphicsView(m_scene);
    m_view->setObjectName(QStringLiteral("NetworkDrawing"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setDragMode(QGraphicsView::ScrollHandDrag);
    m_view->viewport()->installEventFilter(new ViewEvents(this, m_view));

    m_table = new QTableWidget(int(m_network.members.size()), ResultColumn + 1);
    m_table->setObjectName(QStringLiteral("NetworkMembers"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Member"), QStringLiteral("Unit"), QStringLiteral("Mode"),
                                        QStringLiteral("Port"), QStringLiteral("Findings"), QStringLiteral("Progress"),
                                        QStringLiteral("Result")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { openMember(row); });
    fillTable();

    m_findingsList = new QListWidget;
    m_findingsList->setObjectName(QStringLiteral("NetworkFindings"));
    m_findingsList->setWordWrap(true);
    for (std::size_t f = 0; f < m_findings.size(); ++f) {
        const NetworkFinding &finding = m_findings[f];
        auto *item = new QListWidgetItem(QStringLiteral("%1. %2 (%3): %4")
                                             .arg(f + 1)
                                             .arg(severityName(finding.severity), finding.rule, finding.message));
        item->setForeground(QColor(severityColour(finding.severity)));
        m_findingsList->addItem(item);
    }
    if (m_findings.empty())
        m_findingsList->addItem(QStringLiteral("The check found nothing."));

    auto *side = new QSplitter(Qt::Vertical);
    side->addWidget(m_table);
    side->addWidget(m_findingsList);
    auto *split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_view);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    buildActions();
    statusBar()->showMessage(QStringLiteral("%1 members. Double-click a member to open it in the main window.")
                                 .arg(m_network.members.size()));
}

NetworkWindow::~NetworkWindow() = default;

void NetworkWindow::buildActions()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Network"));
    QToolBar *tools = addToolBar(QStringLiteral("Network"));
    tools->setObjectName(QStringLiteral("NetworkToolBar"));
    const auto add = [&](const QString &text, const char *name, const QKeySequence &keys, auto slot) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        menu->addAction(a);
        tools->addAction(a);
        return a;
    };
    add(QStringLiteral("Zoom &In"), "Network_ZoomIn", QKeySequence::ZoomIn, [this] { zoomBy(kZoomStep); });
    add(QStringLiteral("Zoom &Out"), "Network_ZoomOut", QKeySequence::ZoomOut, [this] { zoomBy(1 / kZoomStep); });
    add(QStringLiteral("&Fit"), "Network_Fit", QKeySequence(Qt::CTRL | Qt::Key_0), [this] { fitDrawing(); });
    menu->addSeparator();
    add(QStringLiteral("Open in &Main Window"), "Network_OpenMember", QKeySequence(Qt::Key_Return), [this] {
        if (m_table->currentRow() >= 0)
            openMember(m_table->currentRow());
    });
    add(QStringLiteral("Export as &SVG..."), "Network_ExportSvg", QKeySequence(), [this] { chooseExport(true); });
    add(QStringLiteral("Export as &PNG..."), "Network_ExportPng", QKeySequence(), [this] { chooseExport(false); });
    menu->addSeparator();
    m_apply = add(QStringLiteral("&Apply to Modules"), "Network_Apply", QKeySequence(), [this] { apply(); });
    m_apply->setEnabled(m_fromPlan);
    m_apply->setToolTip(m_fromPlan ? QStringLiteral("Writes and verifies every member on its port")
                                   : QStringLiteral("Open a plan to write its members: files name no ports"));
    menu->addSeparator();
    add(QStringLiteral("&Close"), "Network_Close", QKeySequence::Close, [this] { close(); });
}

void NetworkWindow::fillTable()
{
    for (int row = 0; row < int(m_network.members.size()); ++row) {
        const NetworkMember &m = m_network.members[std::size_t(row)];
        const std::optional<int> unit = unitAddressOf(m.settings);
        const QStringList cells{m.name, unit ? QString::number(*unit) : QStringLiteral("-"), modeCaption(m.settings.mode),
                                m.port, findingCounts(m_findings, m.name), QString(), QString()};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(row, c, new QTableWidgetItem(cells[c]));
        m_table->item(row, NameColumn)->setToolTip(m.source);
        auto *bar = new QProgressBar;
        bar->setRange(0, 1);
        bar->setValue(0);
        bar->setTextVisible(false);
        m_table->setCellWidget(row, ProgressColumn, bar);
    }
    m_table->resizeColumnsToContents();
}

double NetworkWindow::zoom() const { return m_view->transform().m11(); }

void NetworkWindow::zoomBy(double factor)
{
    const double next = zoom() * factor;
    if (next < 0.1 || next > 8)
        return;
    m_view->scale(factor, factor);
}

void NetworkWindow::fitDrawing() { m_view->fitInView(m_scene->sceneRect(), Qt::KeepAspectRatio); }

bool NetworkWindow::exportSvg(const QString &path)
{
    try {
        exportSceneSvg(*m_scene, path, windowTitle());
        return true;
    } catch (const Exception &e) {
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return false;
    }
}

bool NetworkWindow::exportPng(const QString &path)
{
    try {
        exportScenePng(*m_scene, path);
        return true;
    } catch (const Exception &e) {
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return false;
    }
}

void NetworkWindow::chooseExport(bool svg)
{
    const QString path = QFileDialog::getSaveFileName(this, svg ? QStringLiteral("Export as SVG") : QStringLiteral("Export as PNG"),
                                                      QString(), svg ? QStringLiteral("SVG pictures (*.svg)")
                                                                     : QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (svg ? exportSvg(path) : exportPng(path))
        statusBar()->showMessage(QStringLiteral("Saved %1").arg(path));
}

void NetworkWindow::openMember(int index)
{
    if (index < 0 || index >= int(m_network.members.size()))
        return;
    Q_EMIT openMemberRequested(m_network.members[std::size_t(index)]);
}

void NetworkWindow::apply()
{
    if (!m_fromPlan || (m_run && m_run->running()))
        return;
    try {
        for (const NetworkMember &m : m_network.members)
            memberLineSettings(m);
    } catch (const Exception &e) {
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok,
                        e.message() + QStringLiteral(" Nothing was written."));
        return;
    }
    if (hasErrors(m_findings) &&
        m_messages.show(MessageSink::Icon::Question, MessageSink::Buttons::YesNo,
                        QStringLiteral("The check found errors in this network: as it stands, it will not work.\n"
                                       "Write it to the modules anyway?")) != MessageSink::Answer::Yes)
        return;
    m_run = std::make_unique<NetworkApplyRun>(m_network);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        auto *bar = static_cast<QProgressBar *>(m_table->cellWidget(row, ProgressColumn));
        bar->setRange(0, 0);  // busy until the first progress report
        m_table->item(row, ResultColumn)->setText(QStringLiteral("Starting..."));
        m_table->item(row, ResultColumn)->setForeground(palette().text());
    }
    connect(m_run.get(), &NetworkApplyRun::memberStatus, this,
            [this](int row, const QString &text) { m_table->item(row, ResultColumn)->setText(text); });
    connect(m_run.get(), &NetworkApplyRun::memberProgress, this, [this](int row, int value, int maximum) {
        auto *bar = static_cast<QProgressBar *>(m_table->cellWidget(row, ProgressColumn));
        bar->setRange(0, maximum);
        bar->setValue(value);
    });
    connect(m_run.get(), &NetworkApplyRun::memberFinished, this, &NetworkWindow::memberFinished);
    connect(m_run.get(), &NetworkApplyRun::finished, this, [this] {
        QStringList failed;
        for (std::size_t i = 0; i < m_network.members.size(); ++i)
            if (!m_run->outcomes()[i].succeeded())
                failed << m_network.members[i].name;
        QString summary = QStringLiteral("%1 of %2 members written and verified")
                              .arg(m_network.members.size() - std::size_t(failed.size()))
                              .arg(m_network.members.size());
        if (!failed.isEmpty())
            summary += QStringLiteral("; failed: ") + failed.join(QStringLiteral(", "));
        statusBar()->showMessage(summary + QLatin1Char('.'));
        m_apply->setEnabled(true);
        Q_EMIT applyFinished();
    });
    m_apply->setEnabled(false);
    statusBar()->showMessage(QStringLiteral("Writing %1 modules...").arg(m_network.members.size()));
    m_run->start();
}

void NetworkWindow::memberFinished(int row)
{
    const MemberOutcome &outcome = m_run->outcomes()[std::size_t(row)];
    auto *bar = static_cast<QProgressBar *>(m_table->cellWidget(row, ProgressColumn));
    bar->setRange(0, 1);
    bar->setValue(outcome.succeeded() ? 1 : 0);
    QString text = outcome.text;
    for (const SettingDifference &d : outcome.differences)
        text += QStringLiteral(" %1: expected %2, module %3.").arg(d.label, d.first, d.second);
    QTableWidgetItem *item = m_table->item(row, ResultColumn);
    item->setText(text);
    item->setToolTip(text);
    item->setForeground(QColor(outcome.succeeded() ? QStringLiteral("#2e7d32") : severityColour(Severity::Error)));
}

void NetworkWindow::closeEvent(QCloseEvent *event)
{
    if (m_run && m_run->running()) {
        if (m_messages.show(MessageSink::Icon::Question, MessageSink::Buttons::YesNo,
                            QStringLiteral("The modules are being written. Stop writing and close?")) !=
            MessageSink::Answer::Yes) {
            event->ignore();
            return;
        }
        m_run->stop();
        m_run.reset();  // waits for the writes to stop; a stopped write stores nothing
    }
    event->accept();
}

NetworkWindow *openNetworkWindow(MainWindow &main, const QStringList &paths)
{
    Network network;
    bool fromPlan = false;
    try {
        fromPlan = paths.size() == 1 && paths.front().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
        network = fromPlan ? loadNetworkPlan(paths.front()).network
                           : networkFromFiles(paths, main.variant(), main.variant().modelName);
    } catch (const Exception &e) {
        main.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return nullptr;
    }
    auto *window = new NetworkWindow(std::move(network), fromPlan, main.messages(), &main);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &NetworkWindow::openMemberRequested, &main, [&main](const NetworkMember &m) {
        if (!main.openNamedFile(m.source))
            return;
        // The plan's changes over the file (unit address, destinations).
        if (main.model().settings() != m.settings)
            main.model().replaceAll(m.settings);
        main.raise();
        main.activateWindow();
    });
    window->resize(1100, 650);
    window->show();
    return window;
}

void openNetworkWindow(MainWindow &main)
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        &main, QStringLiteral("Open Network"), QString(),
        QStringLiteral("Network plans (*.json);;Configuration files (*.40B);;All files (*)"));
    if (!paths.isEmpty())
        openNetworkWindow(main, paths);
}
