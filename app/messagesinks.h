#pragma once

#include "model/messagesink.h"

class QWidget;
class TMainForm;

/// Shows each message in a modal message box with an OK button, owned by a window.
class MessageBoxSink : public MessageSink
{
public:
    /// Boxes are owned by owner, which outlives the sink.
    explicit MessageBoxSink(QWidget *owner)
        : Owner(owner)
    {
    }
    void show(std::string_view caption, std::string_view text) override;

private:
    QWidget *Owner;
};

/// Shows busy texts in the main window's status line, painted at once where that is safe, so
/// they appear while long work keeps the event loop from running (TMainForm::RefreshStatusLine).
class StatusLineSink : public StatusSink
{
public:
    /// Writes to main's status line; main outlives the sink.
    explicit StatusLineSink(TMainForm &main)
        : Main(main)
    {
    }
    void showBusy(std::string_view text) override;
    void showCounter() override;

private:
    TMainForm &Main;
};

/// While it lives, every message shown through slot is first written on the error stream as
/// "tessaly: CAPTION: TEXT" (without the caption when it is empty) and then shown by the sink
/// slot held before. The slot gets that sink back when the echo ends, however the work ends.
class ErrorStreamEcho : public MessageSink
{
public:
    explicit ErrorStreamEcho(MessageSink *&slot);
    ~ErrorStreamEcho() override;
    ErrorStreamEcho(const ErrorStreamEcho &) = delete;
    ErrorStreamEcho &operator=(const ErrorStreamEcho &) = delete;
    void show(std::string_view caption, std::string_view text) override;

private:
    MessageSink *&Slot;
    MessageSink *Inner;
};
