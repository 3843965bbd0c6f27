// Stands in for the text file dialogs while it lives: records what each
// dialog would have offered and answers with `answer` (empty = cancelled).
#pragma once

#include <QString>
#include <vector>

#include "framework/file_dialog.h"

namespace zentiq::testing {

struct FileDialogAnswers {
    QString answer;
    std::vector<FileDialog::Request> requests;

    FileDialogAnswers() {
        m_previous = FileDialog::SetHook([this](QWidget*, const FileDialog::Request& r) {
            requests.push_back(r);
            return answer;
        });
    }
    ~FileDialogAnswers() { FileDialog::SetHook(m_previous); }
    FileDialogAnswers(const FileDialogAnswers&) = delete;
    FileDialogAnswers& operator=(const FileDialogAnswers&) = delete;

private:
    FileDialog::Hook m_previous;
};

}  // namespace zentiq::testing
