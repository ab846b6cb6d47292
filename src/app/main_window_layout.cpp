// The window's controls and menu: positions, sizes, captions, hints, fonts and start states.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "analog_scale.h"
#include "connection_picture.h"
#include "grid_cell_delegate.h"
#include "key_filter.h"
#include "lcd_view.h"
#include "main_window.h"
#include "panel_label.h"
#include "record_grid.h"
#include "segmented_bar.h"
#include "trend_chart.h"
#include "unit_check_box.h"

namespace dmm {

namespace {

QFont fontOf(std::initializer_list<const char*> families, int px, bool bold = false,
             bool italic = false) {
    QFont f;
    QStringList fams;
    for (const char* fam : families) fams << QString::fromLatin1(fam);
    // Narrow faces first: the layout's captions were measured with narrow system fonts.
    fams << QStringLiteral("Liberation Sans Narrow") << QStringLiteral("DejaVu Sans Condensed")
         << QStringLiteral("DejaVu Sans");
    f.setFamilies(fams);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QFont arial(int px, bool bold = false, bool italic = false) {
    return fontOf({"Arial"}, px, bold, italic);
}

template <class W>
W* place(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

// Small pictures for the record row's buttons, drawn here rather than shipped as files.
QIcon buttonPicture(char kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case 'x':  // close data: a sheet with a red cross
        p.fillRect(3, 1, 10, 14, Qt::white);
        p.setPen(Qt::darkGray);
        p.drawRect(3, 1, 10, 14);
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(5, 5, 11, 12);
        p.drawLine(11, 5, 5, 12);
        break;
    case 'o':  // open: a folder
        p.setBrush(QColor(230, 190, 70));
        p.setPen(QColor(150, 110, 20));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
        break;
    case 's':  // save: a disk
        p.setBrush(QColor(40, 70, 160));
        p.setPen(Qt::NoPen);
        p.drawRect(1, 1, 14, 14);
        p.setBrush(Qt::white);
        p.drawRect(4, 2, 8, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 10, 8, 5);
        break;
    case 'p':  // print: a printer
        p.setBrush(Qt::white);
        p.setPen(Qt::darkGray);
        p.drawRect(4, 1, 8, 5);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 8, 5);
        break;
    }
    return QIcon(pm);
}

}  // namespace

void TFCOMM::buildLayout() {
    setObjectName(QStringLiteral("FCOMM"));
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(711, 485);
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, Qt::white);
    client->setPalette(pal);
    client->setFont(fontOf({"MS Sans Serif"}, 11, true));
    setCentralWidget(client);

    // The controls the user never sees come first, so that the visible ones lie over them
    // where they share a place (ReadBtn and ClearBtn under the chart).
    buildHiddenControls();

    static const char* const kPortNames[4] = {"BtCOM1", "BtCOM2", "BtCOM3", "BtCOM4"};
    for (int i = 0; i < 4; ++i) {
        BtCOM[i] = place(new PanelLabel(QStringLiteral("COM %1").arg(i + 1), client),
                         kPortNames[i], 3, 2, 61, 24);
        BtCOM[i]->setFont(arial(16, true));
        BtCOM[i]->setVisible(i == 0);
    }

    COMCon = place(new QToolButton(client), "COMCon", 65, 2, 94, 25);
    COMCon->setText(QStringLiteral("COM Connect"));
    COMCon->setCheckable(true);
    COMCon->setFont(arial(13, true));

    USBCon = place(new QToolButton(client), "USBCon", 168, 2, 94, 25);
    USBCon->setText(QStringLiteral("USB Connect"));
    USBCon->setToolTip(QStringLiteral("USB Connect"));
    USBCon->setCheckable(true);
    USBCon->setFont(arial(13, true));

    BitBtn1 = place(new QPushButton(QStringLiteral("EXIT"), client), "BitBtn1", 651, 2, 57, 25);
    BitBtn1->setFont(arial(14, true, true));

    Panel1 = place(new LcdView(client), "Panel1", 0, 28, 334, 129);

    PBar2 = place(new SegmentedBar(client), "PBar2", 0, 157, 334, 17);
    PBar2->setRange(0, 40);
    PBar2->setValue(20);

    RepeatSet = place(new QCheckBox(QStringLiteral("Repeat"), client), "RepeatSet", 1, 178, 54, 20);
    RepeatSet->setChecked(true);
    RepeatSet->setToolTip(QStringLiteral("Repeage Record"));

    RecordSI = place(new UnitCheckBox(QStringLiteral("Sampling Interval           'S"), client),
                     "RecordSI", 55, 178, 143, 20);
    // Tight boxes: the captions must fit the layout's narrow widths.
    for (QCheckBox* b : {RepeatSet, RecordSI}) {
        b->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    }
    RecordSITime = place(new QLineEdit(QStringLiteral("10"), client), "RecordSITime", 157, 178, 27, 21);

    auto recordButton = [&](const char* name, int x, int w, const char* hint, char pic) {
        auto* b = place(new QToolButton(client), name, x, 178, w, 21);
        b->setToolTip(QString::fromLatin1(hint));
        b->setIcon(buttonPicture(pic));
        b->setAutoRaise(false);
        return b;
    };
    RecordNew = recordButton("RecordNew", 246, 23, "Close Data", 'x');
    OpenDataFiles = recordButton("OpenDataFiles", 268, 23, "Open old data files", 'o');
    saveas = recordButton("saveas", 290, 23, "Save data files", 's');
    BtPrint = recordButton("BtPrint", 312, 22, "Print", 'p');

    // Read-only, one row selected at a time, rows of one height: the grid itself sees to that.
    DBGrid1 = place(new RecordGrid(client), "DBGrid1", 1, 200, 334, 281);
    DBGrid1->setFont(arial(12));
    QTableView* gridRows = DBGrid1->rowView();
    gridRows->horizontalHeader()->setFont(fontOf({"MS Sans Serif"}, 11));
    gridRows->setTextElideMode(Qt::ElideNone);
    gridRows->setItemDelegate(new GridCellDelegate(gridRows));
    gridRows->verticalHeader()->setDefaultSectionSize(17);
    gridRows->verticalHeader()->hide();

    KD = place(new AnalogScale(client), "KD", 337, 28, 371, 143);
    Chtshow = place(new TrendChart(dialogs_, client), "Chtshow", 336, 172, 371, 309);
    // The scale enlarged by its zoom covers the chart's place; the chart steps aside.
    connect(KD, &AnalogScale::enlargedChanged, Chtshow, [this](bool on) { Chtshow->setVisible(!on); });

    // Pictures and the alarm panel on the scale.
    CONokN = place(new QLabel(KD), "CONokN", 5, 5, 25, 24);
    CONokN->setPixmap(connectionPicture(false));
    CONok = place(new QLabel(KD), "CONok", 5, 5, 25, 24);
    CONok->setPixmap(connectionPicture(true));
    CONok->hide();
    oltext = place(new QLabel(QStringLiteral("OL !!"), KD), "oltext", 109, 72, 113, 49);
    oltext->setAlignment(Qt::AlignCenter);
    oltext->setFont(arial(35, true));
    oltext->setStyleSheet(QStringLiteral("background: grey; color: white;"));
    oltext->hide();

    // The chart's points-per-page edit takes digits only, like the record row's interval.
    Maxrecord = Chtshow->findChild<QLineEdit*>(QStringLiteral("Maxrecord"));
    digitFilter_ = new KeyFilter(KeyFilter::digits(), this);
    signedFilter_ = new KeyFilter(KeyFilter::signedDigits(), this);
    for (QLineEdit* e : {RecordSITime, Maxrecord, TimeH, TimeM, TimeS, TimeInt}) {
        if (e) e->installEventFilter(digitFilter_);
    }
    for (QLineEdit* e : {Setmax, SetMin}) e->installEventFilter(signedFilter_);

    ConTimer = new QTimer(this);
    ConTimer->setObjectName(QStringLiteral("ConTimer"));
    ConTimer->setInterval(100);
    Trecord = new QTimer(this);
    Trecord->setObjectName(QStringLiteral("Trecord"));
    Trecord->setInterval(1000);

    buildMenu();
}

void TFCOMM::buildHiddenControls() {
    RecallDataTest = place(new QPushButton(QStringLiteral("RecallData"), client), "RecallDataTest",
                           510, 5, 75, 25);
    RecallDataTest->hide();

    // Recall-data panel.
    Panel2 = place(new QFrame(client), "Panel2", 2, 199, 334, 25);
    RecallCheck = place(new QCheckBox(QStringLiteral("RecallData"), Panel2), "RecallCheck", 2, 3, 86, 19);
    RecallCheck->setToolTip(QStringLiteral("Repeage Record"));
    place(new QLabel(QStringLiteral("StartTime:"), Panel2), "LabelStartTime", 90, 5, 60, 15);
    TimeH = place(new QLineEdit(QStringLiteral("23"), Panel2), "TimeH", 150, 2, 22, 21);
    place(new QLabel(QStringLiteral(":"), Panel2), "LabelColon1", 173, 5, 4, 15);
    TimeM = place(new QLineEdit(QStringLiteral("59"), Panel2), "TimeM", 178, 2, 22, 21);
    place(new QLabel(QStringLiteral(":"), Panel2), "LabelColon2", 201, 5, 4, 15);
    TimeS = place(new QLineEdit(QStringLiteral("59"), Panel2), "TimeS", 206, 2, 22, 21);
    place(new QLabel(QStringLiteral("Interval"), Panel2), "LabelInterval", 236, 5, 44, 15);
    TimeInt = place(new QLineEdit(QStringLiteral("1"), Panel2), "TimeInt", 282, 2, 27, 21);
    place(new QLabel(QStringLiteral("'S"), Panel2), "LabelIntervalS", 312, 5, 14, 15);
    Panel2->hide();

    // Limits and extremes.
    Panel3 = place(new QFrame(client), "Panel3", 29, 481, 334, 47);
    place(new QLabel(QStringLiteral("MIN: "), Panel3), "LabelMin", 4, 4, 30, 16);
    MinText = place(new QLabel(QStringLiteral("40001"), Panel3), "MinText", 36, 2, 60, 18);
    MinTextU = place(new QLabel(Panel3), "MinTextU", 98, 2, 30, 18);
    place(new QLabel(QStringLiteral("MAX: "), Panel3), "LabelMax", 4, 25, 30, 16);
    MaxText = place(new QLabel(QStringLiteral("-40001"), Panel3), "MaxText", 36, 23, 60, 18);
    MaxTextU = place(new QLabel(Panel3), "MaxTextU", 98, 23, 30, 18);
    for (QLabel* l : {MinText, MaxText}) l->setFont(arial(14, false, true));
    SetMaxB = place(new QCheckBox(QStringLiteral("SetMax:"), Panel3), "SetMaxB", 140, 2, 70, 19);
    Setmax = place(new QLineEdit(QStringLiteral("40000"), Panel3), "Setmax", 212, 2, 60, 21);
    SetMinB = place(new QCheckBox(QStringLiteral("SetMin: "), Panel3), "SetMinB", 140, 24, 70, 19);
    SetMin = place(new QLineEdit(QStringLiteral("-40000"), Panel3), "SetMin", 212, 24, 60, 21);
    Panel3->hide();

    Print = place(new QPushButton(QStringLiteral("Print"), client), "Print", 110, 420, 75, 25);
    Print->setToolTip(QStringLiteral("Print"));
    Print->hide();

    BTCon = place(new PanelLabel(QStringLiteral("Connect"), client), "BTCon", 521, 535, 100, 25);
    BtDiscon = place(new PanelLabel(QStringLiteral("Disconnect"), client), "BtDiscon", 521, 535, 100, 25);
    BtDiscon->hide();
    BtExit = place(new PanelLabel(QStringLiteral("Exit"), client), "BtExit", 631, 535, 70, 25);

    SetFeature = place(new QPushButton(QStringLiteral("SetFeature"), client), "SetFeature", 441, 505, 75, 25);

    ReadBtn = place(new QToolButton(client), "ReadBtn", 622, 316, 60, 22);
    ReadBtn->setText(QStringLiteral("Read"));
    ReadBtn->setCheckable(true);
    ClearBtn = place(new QToolButton(client), "ClearBtn", 533, 245, 60, 22);
    ClearBtn->setText(QStringLiteral("Clear"));
    InfoBtn = place(new QToolButton(client), "InfoBtn", 766, 241, 60, 22);
    InfoBtn->setText(QStringLiteral("Info"));
    DevListBox = place(new QListWidget(client), "DevListBox", 766, 327, 5, 97);
    HistoryListBox = place(new QListWidget(client), "HistoryListBox", 766, 29, 5, 200);

    USBtxt = place(new QLabel(client), "USBtxt", 334, 496, 120, 13);
    USBtxt->hide();
    USBtxt1 = place(new QLabel(client), "USBtxt1", 334, 512, 120, 13);
    USBtxt1->hide();
    Memo1 = place(new QPlainTextEdit(client), "Memo1", 366, 500, 185, 89);
    Memo1->setMaximumBlockCount(static_cast<int>(core_.brioFrames().capacity()));
    Memo1->hide();

    struct Model {
        QCheckBox** box;
        const char* name;
        const char* caption;
        bool ticked;
    };
    const Model models[] = {
        {&IFPavo, "IFPavo", "Pavo", true},      {&IFSornT, "IFSornT", "Sorn", false},
        {&IFBrio, "IFBrio", "Brio", false},     {&IFFermo, "IFFermo", "Fermo", false},
        {&IFIvra, "IFIvra", "Ivra", false},     {&IFTarnT, "IFTarnT", "Tarn", false},
        {&IFVeskT, "IFVeskT", "Vesk", false},   {&IFNyla, "IFNyla", "Nyla", false},
        {&IFOtherT, "IFOtherT", "IFOtherT", false},
    };
    int top = 493;
    for (const Model& m : models) {
        *m.box = place(new QCheckBox(QString::fromLatin1(m.caption), client), m.name, 600, top, 80, 17);
        (*m.box)->setChecked(m.ticked);
        (*m.box)->hide();
        top += 6;
    }

    Report1 = place(new QFrame(client), "Report1", 30, 581, 825, 209);
    Report1->hide();
}

void TFCOMM::buildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    auto item = [](QMenu* menu, const char* name, const char* caption) {
        auto* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = MainMenu1->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    ComSetup1 = menu("ComSetup1", "ComSetup");
    COM11 = item(ComSetup1, "COM11", "COM1");
    COM21 = item(ComSetup1, "COM21", "COM2");
    COM31 = item(ComSetup1, "COM31", "COM3");
    COM41 = item(ComSetup1, "COM41", "COM4");
    for (QAction* a : {COM11, COM21, COM31, COM41}) a->setCheckable(true);
    COM11->setChecked(true);
    ComSetup1->menuAction()->setVisible(false);

    Connect1 = menu("Connect1", "Connect");
    START1 = item(Connect1, "START1", "START");
    STOP1 = item(Connect1, "STOP1", "STOP");
    START1->setCheckable(true);
    STOP1->setCheckable(true);
    STOP1->setEnabled(false);
    Connect1->menuAction()->setVisible(false);

    QAction* unnamed1 = MainMenu1->addAction(QString());
    unnamed1->setVisible(false);

    Graphic = Chtshow->graphicMenu();
    if (Graphic) {
        Graphic->setObjectName(QStringLiteral("Graphic"));
        Graphic->setTitle(QStringLiteral("Graphic"));
        MainMenu1->addMenu(Graphic);
        Graphic->menuAction()->setVisible(false);
    }

    Record1 = menu("Record1", "Record");
    New1 = item(Record1, "New1", "New");
    New1->setVisible(false);
    Save1 = item(Record1, "Save1", "Save");
    Save1->setVisible(false);
    Record1->addSeparator()->setVisible(false);
    N10001 = item(Record1, "N10001", "1000");
    N50001 = item(Record1, "N50001", "5000");
    N100001 = item(Record1, "N100001", "10000");
    N500001 = item(Record1, "N500001", "50000");
    N1000001 = item(Record1, "N1000001", "100000");
    limitess = item(Record1, "limitess", "limitless");
    // Check marks, one at a time: the menu keeps the one tick itself (syncLimitMenu), since items
    // of an exclusive group are drawn with radio bullets instead.
    for (QAction* a : {N10001, N50001, N100001, N500001, N1000001, limitess}) a->setCheckable(true);
    N100001->setChecked(true);

    // The empty item that follows "Record" has no action; it is left out of sight.
    QAction* unnamed2 = MainMenu1->addAction(QString());
    unnamed2->setVisible(false);

    EXIT1 = MainMenu1->addAction(QStringLiteral("Exit"));
    EXIT1->setObjectName(QStringLiteral("EXIT1"));
    EXIT1->setVisible(false);
}

}  // namespace dmm
