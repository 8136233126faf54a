#pragma once

#include "network/Network.h"
#include "network/NetworkChecks.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class MainWindow;
class MessageSink;
class NetworkApplyRun;
class QGraphicsScene;
class QGraphicsView;
class QListWidget;
class QTableWidget;

// A network as a picture beside a table of its members: the drawing (zoomable), the
// findings of its check, a member opened in the main window, the drawing exported as
// SVG or PNG, and a plan written to its modules with a row of progress per member.
class NetworkWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Column { NameColumn, UnitColumn, ModeColumn, PortColumn, FindingsColumn, ProgressColumn, ResultColumn };

    // `fromPlan`: the members carry the ports a plan gave them, so Apply writes them.
    NetworkWindow(Network network, bool fromPlan, MessageSink &messages, QWidget *parent = nullptr);
    ~NetworkWindow() override;

    const Network &network() const { return m_network; }
    const std::vector<NetworkFinding> &findings() const { return m_findings; }
    QGraphicsScene *scene() const { return m_scene; }
    QGraphicsView *view() const { return m_view; }
    QTableWidget *membersTable() const { return m_table; }
    QListWidget *findingsList() const { return m_findingsList; }
    QAction *applyAction() const { return m_apply; }
    double zoom() const;

    void zoomBy(double factor);
    void fitDrawing();
    // Both tell the user when the file cannot be written; false then.
    bool exportSvg(const QString &path);
    bool exportPng(const QString &path);
    // Writes and verifies every member; a check with errors asks first.
    void apply();
    // The member of a row of the table, or of a box of the drawing.
    void openMember(int index);

Q_SIGNALS:
    void openMemberRequested(const NetworkMember &member);
    void applyFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void fillTable();
    void memberFinished(int index);
    void chooseExport(bool svg);

    Network m_network;
    bool m_fromPlan;
    MessageSink &m_messages;
    std::vector<NetworkFinding> m_findings;
    QGraphicsScene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    QTableWidget *m_table = nullptr;
    QListWidget *m_findingsList = nullptr;
    QAction *m_apply = nullptr;
    std::unique_ptr<NetworkApplyRun> m_run;
};

// File > Open Network...: asks for a plan or ".40B" files, opens them in a Network
// window whose members open in `main`. Tells the user why when they cannot be read.
void openNetworkWindow(MainWindow &main);
// The same for paths already chosen; returns the window, or null (the user was told).
NetworkWindow *openNetworkWindow(MainWindow &main, const QStringList &paths);
