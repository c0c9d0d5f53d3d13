#include "ui/MessageBoxes.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <algorithm>

namespace ui {
namespace {

DialogInterceptor* g_interceptor = nullptr;

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

DialogInterceptor::DialogInterceptor() : m_pPrevious(g_interceptor) {
    g_interceptor = this;
}

DialogInterceptor::~DialogInterceptor() {
    g_interceptor = m_pPrevious;
}

int DialogInterceptor::Answer(MessageRecord record) {
    m_messages.push_back(std::move(record));
    if (m_observer) {
        m_observer(m_messages.back());
    }
    if (m_queued.empty()) {
        return m_answer;
    }
    const int answer = m_queued.front();
    m_queued.pop_front();
    return answer;
}

int MessageBox(QWidget* owner, const std::string& text, const std::string& title, MessageIcon icon,
               MessageButtons buttons) {
    if (g_interceptor != nullptr) {
        return g_interceptor->Answer({text, title, icon, buttons});
    }
    // A carriage return breaks the line, as the console's texts expect.
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n").replace('\r', '\n');
    QMessageBox box(QtIcon(icon), QString::fromStdString(title), shown, QMessageBox::NoButton,
                    owner);
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

std::string DialogFilter(const std::string& filter) {
    if (filter.find('|') == std::string::npos) {
        return filter;
    }
    std::vector<std::string> parts;
    for (size_t start = 0, bar; (bar = filter.find('|', start)) != std::string::npos;
         start = bar + 1) {
        parts.push_back(filter.substr(start, bar - start));
    }
    std::string dialog;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        const bool named = parts[i].find('(') != std::string::npos;
        dialog +=
            (dialog.empty() ? "" : ";;") + (named ? parts[i] : parts[i] + " (" + patterns + ")");
    }
    return dialog;
}

std::string GetOpenFileName(QWidget* owner, const std::string& title, const std::string& folder,
                            const std::string& filter) {
    if (g_interceptor != nullptr) {
        g_interceptor->Answer({folder, title, MessageIcon::None, MessageButtons::Ok});
        return g_interceptor->m_openFileName;
    }
    return QFileDialog::getOpenFileName(owner, QString::fromStdString(title),
                                        QString::fromStdString(folder),
                                        QString::fromStdString(DialogFilter(filter)))
        .toStdString();
}

std::string GetSaveFileName(QWidget* owner, const std::string& title, const std::string& path,
                            const std::string& filter) {
    if (g_interceptor != nullptr) {
        g_interceptor->Answer({path, title, MessageIcon::None, MessageButtons::Ok});
        return g_interceptor->m_openFileName;
    }
    return QFileDialog::getSaveFileName(owner, QString::fromStdString(title),
                                        QString::fromStdString(path),
                                        QString::fromStdString(DialogFilter(filter)))
        .toStdString();
}

std::vector<std::string> GetOpenFileNames(QWidget* owner, const std::string& title,
                                          const std::string& folder, const std::string& filter) {
    if (g_interceptor != nullptr) {
        g_interceptor->Answer({folder, title, MessageIcon::None, MessageButtons::Ok});
        return g_interceptor->m_openFileNames;
    }
    std::vector<std::string> paths;
    for (const QString& path : QFileDialog::getOpenFileNames(
             owner, QString::fromStdString(title), QString::fromStdString(folder),
             QString::fromStdString(DialogFilter(filter)))) {
        paths.push_back(path.toStdString());
    }
    return paths;
}

std::string GetText(QWidget* owner, const std::string& title, const std::string& label) {
    if (g_interceptor != nullptr) {
        g_interceptor->Answer({label, title, MessageIcon::None, MessageButtons::OkCancel});
        return g_interceptor->m_text;
    }
    return QInputDialog::getText(owner, QString::fromStdString(title),
                                 QString::fromStdString(label))
        .toStdString();
}

}  // namespace ui
