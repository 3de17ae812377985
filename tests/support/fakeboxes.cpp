#include "support/fakeboxes.h"

#include <gtest/gtest.h>

namespace testing_support {

void FakeBoxes::message(const QString &text, const QString &title, Icon icon)
{
    m_shown.append({text, title, icon, false});
}

QString FakeBoxes::input(const QString &prompt, const QString &title)
{
    m_shown.append({prompt, title, Icon::None, true});
    if (m_whileAsking)
        std::exchange(m_whileAsking, nullptr)();
    if (m_answers.isEmpty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
        return QString();
    }
    return m_answers.takeFirst();
}

QList<FakeBoxes::Shown> FakeBoxes::messages() const
{
    QList<Shown> result;
    for (const Shown &box : m_shown) {
        if (!box.isInput)
            result.append(box);
    }
    return result;
}

QList<FakeBoxes::Shown> FakeBoxes::inputs() const
{
    QList<Shown> result;
    for (const Shown &box : m_shown) {
        if (box.isInput)
            result.append(box);
    }
    return result;
}

} // namespace testing_support
