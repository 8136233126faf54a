// Plan files, networks from files, and the drawing's model (nodes, edges, marks).
#include "tests/network/NetworkFixture.h"

#include "comm/Exception.h"
#include "network/MemberProvisioning.h"
#include "network/NetworkDrawing.h"
#include "network/NetworkPlan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

using namespace networktest;

const QString kAutoConnectPlan = kExamples + QStringLiteral("/auto-connect/plan.json");
const QString kTransparentPlan = kExamples + QStringLiteral("/transparent/plan.json");

// The plan's load failure text; empty when it loads.
QString loadError(const QByteArray &json)
{
    try {
        networkPlanFromJson(json, kExamples + QStringLiteral("/auto-connect"), QStringLiteral("plan.json"));
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}

int nodeNamed(const NetworkDrawing &d, const QString &label)
{
    for (int i = 0; i < int(d.nodes.size()); ++i)
        if (d.nodes[std::size_t(i)].label() == label)
            return i;
    return -1;
}

TEST(NetworkPlan, TheExamplePlansLoadAndPassTheirCheck)
{
    const NetworkPlan plan = loadNetworkPlan(kAutoConnectPlan);
    ASSERT_EQ(plan.network.members.size(), 5u);
    const NetworkMember &m = plan.network.members[0];
    EXPECT_EQ(m.name, QStringLiteral("Master"));
    EXPECT_EQ(m.port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(m.source, QDir::cleanPath(kExamples + QStringLiteral("/auto-connect/master.40B")));
    EXPECT_EQ(m.settings.mode, OperatingMode::AutoConnectMaster);
    EXPECT_EQ(routesOf(m.settings).size(), 3u);
    EXPECT_EQ(routesOf(m.settings)[2], (Route{2, {5}, 4}));
    EXPECT_TRUE(checkNetwork(plan.network).empty());

    const NetworkPlan transparent = loadNetworkPlan(kTransparentPlan);
    ASSERT_EQ(transparent.network.members.size(), 3u);
    EXPECT_EQ(transparent.network.members[1].settings.mode, OperatingMode::TransparentRepeater);
    EXPECT_TRUE(checkNetwork(transparent.network).empty());
}

TEST(NetworkPlan, OverridesApplyOnTopOfTheFile)
{
    const NetworkPlan plan = networkPlanFromJson(
        R"({"members":[{"name":"M","file":"master.40B","unitAddress":9,
             "destinations":[{"address":3,"repeaters":[6,7]},{"address":8}]}]})",
        kExamples + QStringLiteral("/auto-connect"), QStringLiteral("p.json"));
    const ModuleSettings &s = plan.network.members[0].settings;
    EXPECT_EQ(s[Field::UnitAddress], 9);
    // The destinations given replace the file's; the others are disabled.
    EXPECT_EQ(routesOf(s), (std::vector<Route>{{0, {6, 7}, 3}, {1, {}, 8}}));
    EXPECT_EQ(s[Field::Route2Destination], 0);
    EXPECT_EQ(s[Field::Route2Repeater1], 0);
}

TEST(NetworkPlan, ABadPlanIsRefusedWithAReason)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"{", QStringLiteral("not valid JSON")},
        {"[]", QStringLiteral("\"members\" array")},
        {R"({"members":[]})", QStringLiteral("at least one member")},
        {R"({"members":[{"file":"master.40B"}]})", QStringLiteral("\"name\" is missing")},
        {R"({"members":[{"name":"A"}]})", QStringLiteral("\"file\" is missing")},
        {R"({"members":[{"name":"A","file":"master.40B","colour":"red"}]})", QStringLiteral("unknown field \"colour\"")},
        {R"({"members":[{"name":"A","file":"master.40B"},{"name":"A","file":"slave-2.40B"}]})",
         QStringLiteral("member 2 (A): another member has the same name")},
        {R"({"members":[{"name":"A","file":"master.40B","port":"COM1"},{"name":"B","file":"slave-2.40B","port":"COM1"}]})",
         QStringLiteral("same port COM1")},
        {R"({"members":[{"name":"A","file":"missing.40B"}]})", QStringLiteral("missing.40B")},
        {R"({"members":[{"name":"A","file":"master.40B","unitAddress":0}]})", QStringLiteral("from 1 to 127")},
        {R"({"members":[{"name":"A","file":"master.40B","unitAddress":2.5}]})", QStringLiteral("whole number")},
        {R"({"members":[{"name":"A","file":"master.40B","destinations":[{"address":3,"repeaters":[200]}]}]})",
         QStringLiteral("a repeater of destination 1")},
        {R"({"members":[{"name":"A","file":"master.40B","destinations":[{},{},{},{},{}]}]})",
         QStringLiteral("at most four")},
        {R"({"members":[{"name":"A","file":"master.40B","product":"999"}]})", QStringLiteral("product 999")},
    };
    for (const auto &[json, reason] : cases) {
        const QString error = loadError(json);
        EXPECT_TRUE(error.startsWith(QStringLiteral("plan.json"))) << error.toStdString();
        EXPECT_TRUE(error.contains(reason)) << json.toStdString() << " -> " << error.toStdString();
    }
}

TEST(NetworkPlan, AFileThatIsNoConfigurationIsNamed)
{
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.40B")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a configuration\r\n");
    bad.close();
    try {
        networkFromFiles({dir.path()});
        FAIL() << "a bad file was taken";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("bad.40B"))) << e.message().toStdString();
    }
    EXPECT_THROW(networkFromFiles({QTemporaryDir().path()}), Exception);  // no .40B file at all
}

TEST(NetworkPlan, AFolderGivesItsFilesByBaseName)
{
    const Network n = loadNetwork({kExamples + QStringLiteral("/auto-connect")});
    QStringList names;
    for (const NetworkMember &m : n.members)
        names << m.name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("master"), QStringLiteral("repeater-5"), QStringLiteral("slave-2"),
                                  QStringLiteral("slave-3"), QStringLiteral("slave-4")}));
    EXPECT_EQ(loadNetwork({kAutoConnectPlan}).members.front().name, QStringLiteral("Master"));
}

TEST(NetworkPlan, AMembersPortRateAndFormatGiveItsLine)
{
    NetworkMember m = master();
    m.port = QStringLiteral("com3");
    bool search = true;
    LineSettings line = memberLineSettings(m, &search);
    EXPECT_FALSE(search);
    EXPECT_EQ(line, (LineSettings{QStringLiteral("COM3"), 9600, 8, Parity::None, 1}));
    m.port = QStringLiteral("/dev/ttyUSB1");
    m.baud = QStringLiteral("19200");
    m.format = QStringLiteral("e-7-2");
    line = memberLineSettings(m);
    EXPECT_EQ(line, (LineSettings{QStringLiteral("/dev/ttyUSB1"), 19200, 7, Parity::Even, 2}));
    m.baud = QStringLiteral("auto");
    m.format.clear();
    memberLineSettings(m, &search);
    EXPECT_TRUE(search);
    const std::pair<QString, QString> bad[] = {{QStringLiteral("ttyUSB0"), {}}, {QString(), {}},
                                              {QStringLiteral("COM1"), QStringLiteral("9601")}};
    for (const auto &[port, baud] : bad) {
        m.port = port;
        m.baud = baud;
        EXPECT_THROW(memberLineSettings(m), Exception) << port.toStdString() << " " << baud.toStdString();
    }
    m.port = QStringLiteral("COM1");
    m.baud = QStringLiteral("auto");
    m.format = QStringLiteral("N-8-1");  // a search finds the format itself
    EXPECT_THROW(memberLineSettings(m), Exception);
}

TEST(NetworkDrawing, NodesAndRoutesOfTheExample)
{
    const Network n = loadNetworkPlan(kAutoConnectPlan).network;
    const NetworkDrawing d = drawNetwork(n, checkNetwork(n));
    ASSERT_EQ(d.nodes.size(), 5u);  // every unit address a route names is a member
    const DrawingNode &master = d.nodes[std::size_t(nodeNamed(d, QStringLiteral("Master")))];
    EXPECT_EQ(master.unitAddress, 1);
    EXPECT_EQ(master.mode, OperatingMode::AutoConnectMaster);
    EXPECT_EQ(master.details(), QStringLiteral("unit 1, Auto-Connect Master"));
    ASSERT_EQ(d.edges.size(), 3u);
    const int m = nodeNamed(d, QStringLiteral("Master"));
    EXPECT_EQ(d.edges[2].hops, (std::vector<int>{m, nodeNamed(d, QStringLiteral("Repeater 5")),
                                                 nodeNamed(d, QStringLiteral("Slave 4"))}));
    EXPECT_EQ(d.edges[2].routeIndex, 2);
    // Rows: the master above its repeater, the repeater above the slaves; no box overlaps another.
    const DrawingNode &repeater = d.nodes[std::size_t(nodeNamed(d, QStringLiteral("Repeater 5")))];
    const DrawingNode &slave = d.nodes[std::size_t(nodeNamed(d, QStringLiteral("Slave 4")))];
    EXPECT_LT(master.box.bottom(), repeater.box.top());
    EXPECT_LT(repeater.box.bottom(), slave.box.top());
    // The direct route to Slave 3 passes beside the repeater, not behind it.
    const QRectF slave3 = d.nodes[std::size_t(nodeNamed(d, QStringLiteral("Slave 3")))].box;
    for (double t = 0; t <= 1; t += 0.01)
        EXPECT_FALSE(repeater.box.contains(master.box.center() * (1 - t) + slave3.center() * t)) << t;
    for (std::size_t i = 0; i < d.nodes.size(); ++i) {
        EXPECT_TRUE(d.bounds.contains(d.nodes[i].box));
        for (std::size_t j = i + 1; j < d.nodes.size(); ++j)
            EXPECT_FALSE(d.nodes[i].box.intersects(d.nodes[j].box)) << i << " " << j;
    }
}

TEST(NetworkDrawing, TransparentMembersAreLinkedToTheirRepeaters)
{
    const Network n = loadNetworkPlan(kTransparentPlan).network;
    const NetworkDrawing d = drawNetwork(n, checkNetwork(n));
    ASSERT_EQ(d.nodes.size(), 3u);
    EXPECT_FALSE(d.nodes[0].unitAddress);
    EXPECT_EQ(d.nodes[1].details(), QStringLiteral("Transparent Repeater"));
    // Base and Remote, each with the repeater; no directions.
    ASSERT_EQ(d.edges.size(), 2u);
    EXPECT_TRUE(d.edges[0].relay());
    EXPECT_EQ(d.edges[0].hops, (std::vector<int>{0, 1}));
    EXPECT_EQ(d.edges[1].hops, (std::vector<int>{2, 1}));
    EXPECT_LT(d.nodes[1].box.bottom(), d.nodes[0].box.top());
    EXPECT_TRUE(networkDot(d).contains("n0 -> n1 [dir=none, style=dashed]"));
    // Under another system address the repeater relays nothing of theirs.
    Network apart = n;
    apart.members[1].settings[Field::SystemAddress] = 43;
    EXPECT_TRUE(drawNetwork(apart, {}).edges.empty());
    // Controlled members get no relays.
    EXPECT_TRUE(drawNetwork(network({slave(2), slave(3)}), {}).edges.empty());
}

TEST(NetworkDrawing, UnknownAddressesAndFindingsAreMarked)
{
    NetworkMember m = master();
    route(m, 0, 2, {7});
    NetworkMember s = slave(2);
    s.settings[Field::RadioDataRate] = 1;
    const Network n = network({m, s});
    const std::vector<NetworkFinding> findings = checkNetwork(n);
    const NetworkDrawing d = drawNetwork(n, findings);
    ASSERT_EQ(d.nodes.size(), 3u);
    const int outside = nodeNamed(d, QStringLiteral("unit 7"));
    ASSERT_GE(outside, 0);
    EXPECT_FALSE(d.nodes[std::size_t(outside)].member);
    EXPECT_EQ(d.nodes[std::size_t(outside)].details(), QStringLiteral("not in the network"));
    ASSERT_EQ(d.edges.size(), 1u);
    EXPECT_EQ(d.edges[0].hops, (std::vector<int>{0, outside, 1}));
    // The data rate error marks the slave; the master's unknown repeater is a warning on it.
    EXPECT_EQ(d.nodes[1].worst, Severity::Error);
    EXPECT_EQ(d.nodes[0].worst, Severity::Warning);
    for (int f : d.nodes[1].findings)
        EXPECT_TRUE(findings[std::size_t(f)].members.contains(QStringLiteral("Slave 2")));
    EXPECT_TRUE(d.nodes[std::size_t(outside)].findings.empty());
}

TEST(NetworkDrawing, TheSvgAndDotDrawTheModel)
{
    NetworkMember m = master();
    route(m, 0, 2, {7});
    const Network n = network({m, slave(2)});
    const std::vector<NetworkFinding> findings = checkNetwork(n);
    QXmlStreamReader xml(networkSvg(n, findings));
    int boxes = 0, lines = 0, arrowheads = 0, findingTexts = 0;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QStringLiteral("rect") && xml.attributes().hasAttribute(QStringLiteral("x")))
            ++boxes;
        if (xml.name() == QStringLiteral("line"))
            ++lines;
        if (xml.name() == QStringLiteral("polygon"))
            ++arrowheads;
        if (xml.name() == QStringLiteral("text"))
            texts << xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const QString &t : texts)
        findingTexts += t.startsWith(QStringLiteral("1. warning (repeater-unknown)")) ? 1 : 0;
    EXPECT_EQ(boxes, 3);
    EXPECT_EQ(lines, 2);  // master to repeater 7, repeater 7 to the slave
    EXPECT_EQ(arrowheads, 2);
    EXPECT_TRUE(texts.contains(QStringLiteral("Master")));
    EXPECT_TRUE(texts.contains(QStringLiteral("unit 2, Auto-Connect Slave")));
    EXPECT_EQ(findingTexts, 1);
    const QByteArray dot = networkDot(drawNetwork(n, findings));
    EXPECT_TRUE(dot.contains("n0 -> n2 -> n1")) << dot.toStdString();
    EXPECT_TRUE(dot.contains("style=\"rounded,dashed\""));
}

TEST(NetworkDrawing, ALineLeavesABoxAtItsEdge)
{
    const QRectF box(0, 0, 100, 50);
    EXPECT_EQ(boxEdgePoint(box, {50, 200}), QPointF(50, 50));
    EXPECT_EQ(boxEdgePoint(box, {300, 25}), QPointF(100, 25));
    EXPECT_EQ(boxEdgePoint(box, {50, 25}), QPointF(50, 25));
}

}  // namespace
