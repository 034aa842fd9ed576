// Print library stand-in on Qt Print Support: keeps the blocks an application declares, shows a page
// set-up and the platform print dialog, and prints one page through the application's callbacks.
// Layout units are millimetres: requests 5 and 6 answer device pixels per centimetre, 7 and 8 the page
// in device pixels.
#include "QuorvelPrint.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#define QUORVEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// A text longer than this is taken for a broken length answer.
constexpr int32_t MaxTextLength = 1 << 20;
constexpr int PdfResolution = 300;

struct TBlock {
    int32_t Id = 0;
    std::string Name;
    int32_t Kind = pkPicture;
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    bool On = false;
    QString FreeText;
};

void PutLE32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

void PutLE64(uint8_t *p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

const char *PdfPath() {
    const char *path = std::getenv("QUORVEL_PDF");
    return path && *path ? path : nullptr;
}

class TPrintJob {
public:
    void Request(int32_t code, int32_t a, int32_t b, void *p);

private:
    TBlock *Find(int32_t id);
    QPrinter &Printer();
    double PixelsPerCm(bool horizontal);
    bool Setup();
    bool PageSetupDialog();
    void Print();
    void PrintBlock(QPainter &painter, const TBlock &block);
    void Report(const QString &text);
    int32_t ToPixels(int32_t mm, bool horizontal) {
        return int32_t(std::nearbyint(mm * PixelsPerCm(horizontal) / 10.0));
    }

    TPrintCallback Callback = nullptr;
    std::string Family;
    std::vector<TBlock> Blocks;
    std::unique_ptr<QPrinter> Device;
};

TBlock *TPrintJob::Find(int32_t id) {
    for (TBlock &b : Blocks)
        if (b.Id == id)
            return &b;
    return nullptr;
}

QPrinter &TPrintJob::Printer() {
    if (!Device) {
        Device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The whole sheet is the device's coordinate space, so that layout positions are from the edge.
        Device->setFullPage(true);
        if (const char *pdf = PdfPath()) {
            Device->setOutputFormat(QPrinter::PdfFormat);
            Device->setOutputFileName(QString::fromLocal8Bit(pdf));
            Device->setResolution(PdfResolution);
            Device->setPageSize(QPageSize(QPageSize::A4));
        }
    }
    return *Device;
}

double TPrintJob::PixelsPerCm(bool horizontal) {
    QPrinter &p = Printer();
    return (horizontal ? p.logicalDpiX() : p.logicalDpiY()) / 2.54;
}

void TPrintJob::Report(const QString &text) {
    if (PdfPath() || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "Quorvel: %s\n", text.toLocal8Bit().constData());
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), "Print", text);
}

bool TPrintJob::PageSetupDialog() {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle("Page setup");
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Blocks to print:", &dialog));
    std::vector<QCheckBox *> boxes;
    std::vector<QPlainTextEdit *> edits;
    for (const TBlock &b : Blocks) {
        auto *box = new QCheckBox(QString::fromStdString(b.Name), &dialog);
        box->setChecked(b.On);
        layout->addWidget(box);
        boxes.push_back(box);
        QPlainTextEdit *edit = nullptr;
        if (b.Kind == pkFreeText) {
            edit = new QPlainTextEdit(b.FreeText, &dialog);
            edit->setObjectName(QString::fromStdString(b.Name));
            edit->setFixedHeight(60);
            layout->addWidget(edit);
        }
        edits.push_back(edit);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (size_t i = 0; i < Blocks.size(); ++i) {
        Blocks[i].On = boxes[i]->isChecked();
        if (edits[i])
            Blocks[i].FreeText = edits[i]->toPlainText();
    }
    return true;
}

bool TPrintJob::Setup() {
    if (PdfPath()) {
        Printer();
        return true;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        Report("no application to show the print dialogs in");
        return false;
    }
    if (!PageSetupDialog())
        return false;
    QPrintDialog dialog(&Printer(), QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

void TPrintJob::PrintBlock(QPainter &painter, const TBlock &block) {
    const QRect area(ToPixels(block.X, true), ToPixels(block.Y, false), ToPixels(block.Width, true),
                     ToPixels(block.Height, false));
    if (area.width() < 1 || area.height() < 1)
        return;
    painter.save();
    if (block.Kind == pkPicture) {
        painter.translate(area.topLeft());
        painter.setClipRect(QRect(0, 0, area.width(), area.height()));
        uint8_t target[ptRecordSize] = {};
        PutLE32(target + ptWidthOffset, uint32_t(area.width()));
        PutLE32(target + ptHeightOffset, uint32_t(area.height()));
        PutLE64(target + ptPainterOffset, uint64_t(reinterpret_cast<uintptr_t>(&painter)));
        Callback(pcDraw, block.Id, 0, target);
    } else {
        QString text = block.FreeText;
        if (block.Kind == pkInfoText) {
            int32_t length = -1;
            Callback(pcTextLength, block.Id, 0, &length);
            if (length < 0 || length > MaxTextLength) {
                painter.restore();
                return;
            }
            std::vector<char> buffer(size_t(length) + 1, '\0');
            Callback(pcText, block.Id, 0, buffer.data());
            buffer[size_t(length)] = '\0';
            text = QString::fromUtf8(buffer.data(), qsizetype(std::strlen(buffer.data())));
        }
        text.replace("\r\n", "\n");
        painter.setClipRect(area);
        painter.setPen(Qt::black);
        painter.setFont(QFont("DejaVu Sans", 9));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    painter.restore();
}

void TPrintJob::Print() {
    if (!Callback)
        return;
    QPainter painter;
    if (!painter.begin(&Printer())) {
        const QString where = Printer().outputFileName();
        Report(where.isEmpty() ? QString("Unable to open the printer \"%1\".").arg(Printer().printerName())
                               : QString("Unable to write the file \"%1\".").arg(where));
        return;
    }
    Callback(pcLayout, 0, 0, nullptr);
    for (const TBlock &b : Blocks)
        if (b.On)
            PrintBlock(painter, b);
    painter.end();
}

void TPrintJob::Request(int32_t code, int32_t a, int32_t b, void *p) {
    switch (code) {
    case prRegisterCallback:
        // A new job: nothing of an earlier one is kept.
        *this = TPrintJob{};
        Callback = reinterpret_cast<TPrintCallback>(p);
        break;
    case prFamily:
        Family = p ? static_cast<const char *>(p) : "";
        break;
    case prDeclareBlock:
        if (!Find(a)) {
            TBlock block;
            block.Id = a;
            Blocks.push_back(block);
        }
        break;
    case prHorizontalScale:
    case prVerticalScale:
        if (p)
            *static_cast<double *>(p) = PixelsPerCm(code == prHorizontalScale);
        break;
    case prPageWidth:
        if (p)
            *static_cast<int32_t *>(p) = Printer().width();
        break;
    case prPageHeight:
        if (p)
            *static_cast<int32_t *>(p) = Printer().height();
        break;
    case prSetup:
        if (p)
            *static_cast<uint8_t *>(p) = Setup() ? 1 : 0;
        break;
    case prPrint:
        Print();
        // Nothing is kept after a print.
        *this = TPrintJob{};
        break;
    default:
        if (TBlock *block = Find(a)) {
            switch (code) {
            case prBlockName:
                block->Name = p ? static_cast<const char *>(p) : "";
                break;
            case prBlockKind:
                block->Kind = b;
                break;
            case prBlockLeft:
                block->X = b;
                break;
            case prBlockTop:
                block->Y = b;
                break;
            case prBlockWidth:
                block->Width = b;
                break;
            case prBlockHeight:
                block->Height = b;
                break;
            case prBlockOn:
                block->On = b != 0;
                break;
            }
        }
        break;
    }
}

TPrintJob &Job() {
    static TPrintJob job;
    return job;
}

} // namespace

QUORVEL_EXPORT void ApplicationRequest(int32_t Code, int32_t A, int32_t B, void *P) {
    try {
        Job().Request(Code, A, B, P);
    } catch (...) {
        // Nothing leaves the library.
    }
}
