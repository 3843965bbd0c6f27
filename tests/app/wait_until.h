// Waits, with the event loop running, until a condition holds or the limit
// passes; the condition's last answer.
#pragma once

#include <QTest>

namespace zentiq::test {

template <class Pred>
bool waitUntil(Pred&& done, int limitMs = 20000) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (done())
            return true;
        QTest::qWait(10);
    }
    return done();
}

}  // namespace zentiq::test
