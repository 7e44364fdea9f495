// The one way off a window's thread: jobs in order on one thread of their own, a stop that waits
// at most so long and leaves a thread still working to end by itself, and answers that reach a
// window's part on its own thread only while it is there.
#include <atomic>
#include <future>
#include <thread>

#include <QElapsedTimer>
#include <QtTest>

#include "work/work_thread.h"

class TestWorkThread : public QObject {
    Q_OBJECT
private slots:
    void jobsInOrderOnTheirThread() {
        QList<int> done;
        std::thread::id ran;
        {
            WorkThread thread;
            for (int job = 0; job < 50; ++job)
                thread.post([&done, &ran, job] {
                    ran = std::this_thread::get_id();
                    done << job;
                });
            thread.flush();
            QCOMPARE(done.size(), 50);
            thread.post([&done] { done << 50; });
        }  // the last one too, before the thread goes
        QCOMPARE(done.size(), 51);
        QVERIFY(std::is_sorted(done.cbegin(), done.cend()));
        QVERIFY(ran != std::this_thread::get_id());
    }

    // A job that waits on something that does not answer: the stop gives up after its wait, the
    // owner goes at once, and the job, once answered, still has what it was handed.
    void stopLeavesABusyThread() {
        std::promise<void> answer;
        auto held = std::make_shared<std::atomic<int>>(0);
        std::weak_ptr<std::atomic<int>> watch = held;
        {
            WorkThread thread;
            thread.post([held, waiting = answer.get_future().share()] {
                waiting.wait();
                *held = 1;
            });
            held.reset();
            QElapsedTimer waited;
            waited.start();
            QVERIFY(!thread.stop(100));
            QVERIFY2(waited.elapsed() >= 100 && waited.elapsed() < 1000, qPrintable(QString::number(waited.elapsed())));
        }
        QVERIFY(!watch.expired());
        answer.set_value();
        QTRY_VERIFY(watch.expired());  // the job ran to its end, then let go of what it held
    }

    void answersOnlyWhileTheReceiverIsThere() {
        auto receiver = std::make_unique<QObject>();
        auto replies = std::make_shared<ReplyChannel>(receiver.get());
        QList<std::thread::id> answered;
        WorkThread thread;
        thread.post([replies, &answered] { replies->send([&answered] { answered << std::this_thread::get_id(); }); });
        QTRY_COMPARE(answered, QList<std::thread::id>{std::this_thread::get_id()});
        replies->close();
        receiver.reset();
        thread.post([replies, &answered] { replies->send([&answered] { answered << std::thread::id(); }); });
        thread.flush();
        QTest::qWait(20);
        QCOMPARE(answered.size(), 1);
    }
};

QTEST_MAIN(TestWorkThread)
#include "test_work_thread.moc"
