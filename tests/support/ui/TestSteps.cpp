#include "support/ui/TestSteps.h"

#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "shell/MainFrm.h"

#include <QAbstractButton>
#include <QAction>
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
            *answers << MessageButton::Yes;
        else if (word == QLatin1String("No"))
            *answers << MessageButton::No;
        else if (word == QLatin1String("Cancel"))
            *answers << MessageButton::Cancel;
        else
            clicks << word;
    }
    main->M.AnswerMessage = [answers, main](const Message &message) {
        return answers->isEmpty() ? ShowMessageBox(main, message) : answers->takeFirst();
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
