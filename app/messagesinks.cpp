#include "app/messagesinks.h"

#include "app/mainwindow.h"

#include <QMessageBox>

#include <cstdio>

namespace {

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void MessageBoxSink::show(std::string_view caption, std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, fromView(caption), fromView(text), QMessageBox::Ok, Owner);
    box.exec();
}

void StatusLineSink::showBusy(std::string_view text)
{
    Main.ShowStatus(fromView(text));
    Main.RefreshStatusLine();
}

void StatusLineSink::showCounter()
{
    Main.ShowStatus();
    Main.RefreshStatusLine();
}

ErrorStreamEcho::ErrorStreamEcho(MessageSink *&slot)
    : Slot(slot)
    , Inner(slot)
{
    Slot = this;
}

ErrorStreamEcho::~ErrorStreamEcho()
{
    Slot = Inner;
}

void ErrorStreamEcho::show(std::string_view caption, std::string_view text)
{
    if (caption.empty())
        std::fprintf(stderr, "tessaly: %.*s\n", static_cast<int>(text.size()), text.data());
    else
        std::fprintf(stderr, "tessaly: %.*s: %.*s\n", static_cast<int>(caption.size()),
            caption.data(), static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    if (Inner)
        Inner->show(caption, text);
}
