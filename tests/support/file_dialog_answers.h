// Stands in for the text file dialogs while it lives: records what each
// dialog would have offered and answers with `answer` (empty = cancelled).
#pragma once

#include <QString>
#include <vector>

#include "display/text_file_dialog.h"

namespace zentiq::testing {

struct FileDialogAnswers {
    QString answer;
    std::vector<TextFileDialog::Request> requests;

    FileDialogAnswers() {
        m_previous = TextFileDialog::SetHook([this](QWidget*, const TextFileDialog::Request& r) {
            requests.push_back(r);
            return answer;
        });
    }
    ~FileDialogAnswers() { TextFileDialog::SetHook(m_previous); }
    FileDialogAnswers(const FileDialogAnswers&) = delete;
    FileDialogAnswers& operator=(const FileDialogAnswers&) = delete;

private:
    TextFileDialog::Hook m_previous;
};

}  // namespace zentiq::testing
