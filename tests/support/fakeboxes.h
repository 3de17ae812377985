#pragma once

#include "ui/modalboxes.h"

#include <QList>
#include <QString>

#include <functional>

namespace testing_support {

// Modal boxes for tests: records every box shown and answers input boxes
// from a script. An input box with no scripted answer fails the test.
class FakeBoxes : public ui::ModalBoxes
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Icon icon = Icon::None;
        bool isInput = false;
    };

    void message(const QString &text, const QString &title, Icon icon) override;
    QString input(const QString &prompt, const QString &title) override;

    // The next input box answers with this text ("" stands for Cancel).
    void answer(const QString &text) { m_answers.append(text); }
    // Runs while the next input box is open, before it answers.
    void whileAsking(std::function<void()> action) { m_whileAsking = std::move(action); }

    const QList<Shown> &shown() const { return m_shown; }
    QList<Shown> messages() const;
    QList<Shown> inputs() const;
    int unansweredScript() const { return static_cast<int>(m_answers.size()); }

private:
    QList<Shown> m_shown;
    QList<QString> m_answers;
    std::function<void()> m_whileAsking;
};

} // namespace testing_support
