#include "shell/TestSteps.h"

#include "shell/MainFrm.h"

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QTimer>
#include <memory>

namespace kst {

void RunTestSteps(MainFrm *main)
{
    const QString steps = qEnvironmentVariable("KST_TEST_STEPS");
    if (steps.isEmpty())
        return;
    auto answers = std::make_shared<QList<int>>();
    QStringList clicks;
    for (const QString &word : steps.split(u';', Qt::SkipEmptyParts)) {
        if (word == QLatin1String("Yes"))
            *answers << QMessageBox::Yes;
        else if (word == QLatin1String("No"))
            *answers << QMessageBox::No;
        else if (word == QLatin1String("Cancel"))
            *answers << QMessageBox::Cancel;
        else
            clicks << word;
    }
    main->AskSave = [answers, ask = main->AskSave](const QString &text, int buttons) {
        return answers->isEmpty() ? ask(text, buttons) : answers->takeFirst();
    };
    // Queued behind the rest of start-up (the recovery question included).
    QTimer::singleShot(0, main, [main, clicks] {
        for (const QString &name : clicks) {
            if (auto *button = main->findChild<QAbstractButton *>(name))
                button->click();
            else if (auto *action = main->findChild<QAction *>(name))
                action->trigger();
            else
                qWarning("KST_TEST_STEPS: no control named %s", qPrintable(name));
        }
    });
}

} // namespace kst
