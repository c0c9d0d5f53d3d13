#pragma once
// Message boxes and the file-open dialog. Tests install an interceptor, which records each box
// and answers it, so that no test blocks on a modal window.

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageRecord {
    std::string text;
    std::string title;
    MessageIcon icon;
    MessageButtons buttons;
};

// Shows a modal box and returns the button pressed (IDOK, IDCANCEL, IDYES or IDNO).
int MessageBox(QWidget* owner, const std::string& text, const std::string& title,
               MessageIcon icon = MessageIcon::Error, MessageButtons buttons = MessageButtons::Ok);

// A filter in the form "Binary Files (*.bin)|*.bin|" (description and pattern pairs, each
// ended by "|") as the file dialog takes it: "Binary Files (*.bin)". A filter without "|" is
// taken as it is.
std::string DialogFilter(const std::string& filter);

// The file the operator chose, or an empty text.
std::string GetOpenFileName(QWidget* owner, const std::string& title, const std::string& folder,
                            const std::string& filter);

// The file the operator chose to save into, or an empty text.
std::string GetSaveFileName(QWidget* owner, const std::string& title, const std::string& path,
                            const std::string& filter);

// The files the operator chose (several at once), in the dialog's order; empty when none.
std::vector<std::string> GetOpenFileNames(QWidget* owner, const std::string& title,
                                          const std::string& folder, const std::string& filter);

// A line of text the operator typed, or an empty text when cancelled.
std::string GetText(QWidget* owner, const std::string& title, const std::string& label);

// Interceptors nest: the newest one answers while it lives, then the one before it again.
class DialogInterceptor {
public:
    DialogInterceptor();
    ~DialogInterceptor();
    DialogInterceptor(const DialogInterceptor&) = delete;
    DialogInterceptor& operator=(const DialogInterceptor&) = delete;

    const std::vector<MessageRecord>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }
    // The answer of every box once the queued answers are used up.
    void SetAnswer(int answer) { m_answer = answer; }
    // Answers for the next boxes, one each, in order.
    void QueueAnswers(std::vector<int> answers) {
        m_queued.insert(m_queued.end(), answers.begin(), answers.end());
    }
    // The answer of the file dialogs, open and save alike.
    void SetOpenFileName(std::string path) { m_openFileName = std::move(path); }
    // The answer of the several-files dialog; the text an input line answers.
    void SetOpenFileNames(std::vector<std::string> paths) { m_openFileNames = std::move(paths); }
    void SetText(std::string text) { m_text = std::move(text); }
    // Called with every box and file dialog as it comes (test programs fail on unexpected ones).
    void SetObserver(std::function<void(const MessageRecord&)> observer) {
        m_observer = std::move(observer);
    }

private:
    friend int MessageBox(QWidget*, const std::string&, const std::string&, MessageIcon,
                          MessageButtons);
    friend std::string GetOpenFileName(QWidget*, const std::string&, const std::string&,
                                       const std::string&);
    friend std::string GetSaveFileName(QWidget*, const std::string&, const std::string&,
                                       const std::string&);
    friend std::vector<std::string> GetOpenFileNames(QWidget*, const std::string&,
                                                     const std::string&, const std::string&);
    friend std::string GetText(QWidget*, const std::string&, const std::string&);

    int Answer(MessageRecord record);

    DialogInterceptor* m_pPrevious;
    std::vector<MessageRecord> m_messages;
    std::function<void(const MessageRecord&)> m_observer;
    std::deque<int> m_queued;
    int m_answer = IDOK;
    std::string m_openFileName;
    std::vector<std::string> m_openFileNames;
    std::string m_text;
};

}  // namespace ui
