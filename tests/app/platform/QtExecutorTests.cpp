#include "Tallowin/platform/QtMainThreadExecutor.h"
#include "Tallowin/platform/QtWorkerExecutor.h"

#include "tests/app/support/AppTestSupport.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QThread>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using namespace tallowin;
using namespace tallowin::test;

class QtExecutorTests : public QObject
{
    Q_OBJECT

private slots:
    void mainThreadExecutorRunsWorkLaterOnTheMainThreadInOrder()
    {
        QtMainThreadExecutor executor;
        std::vector<int> order;
        std::vector<QThread *> threads;
        for (int value = 0; value < 5; ++value)
            executor.post([&, value] {
                order.push_back(value);
                threads.push_back(QThread::currentThread());
            });
        QVERIFY(order.empty());

        QCoreApplication::sendPostedEvents();
        QCOMPARE(order, (std::vector<int> {0, 1, 2, 3, 4}));
        for (QThread *thread : threads)
            QCOMPARE(thread, QCoreApplication::instance()->thread());
    }

    void mainThreadExecutorTakesWorkFromOtherThreads()
    {
        QtMainThreadExecutor executor;
        constexpr int postersCount = 4;
        constexpr int perPoster = 200;
        std::vector<std::vector<int>> received(postersCount);
        int ran = 0;
        bool allOnMainThread = true;
        {
            std::vector<std::thread> posters;
            for (int poster = 0; poster < postersCount; ++poster)
                posters.emplace_back([&, poster] {
                    for (int value = 0; value < perPoster; ++value)
                        executor.post([&, poster, value] {
                            allOnMainThread
                                = allOnMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
                            received[poster].push_back(value);
                            ++ran;
                        });
                });
            for (std::thread &poster : posters)
                poster.join();
        }
        QVERIFY(waitUntil([&] { return ran == postersCount * perPoster; }));
        QVERIFY(allOnMainThread);
        std::vector<int> expected(perPoster);
        for (int value = 0; value < perPoster; ++value)
            expected[value] = value;
        // Each poster's work keeps its order.
        for (const auto &values : received)
            QCOMPARE(values, expected);
    }

    void mainThreadExecutorDropsWorkLeftWhenItIsDestroyed()
    {
        bool ran = false;
        {
            QtMainThreadExecutor executor;
            executor.post([&ran] { ran = true; });
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!ran);
    }

    void mainThreadExecutorDestroyedOnAWorkerThreadDropsItsWork()
    {
        // The last owner may be work on the worker that captured the executor.
        auto executor = std::make_shared<QtMainThreadExecutor>();
        std::atomic<bool> ran = false;
        executor->post([&ran] { ran = true; });
        std::thread([owned = std::move(executor)]() mutable { owned.reset(); }).join();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!ran);
    }

    void mainThreadWorkMayDestroyTheExecutor()
    {
        auto executor = std::make_shared<QtMainThreadExecutor>();
        std::vector<int> ran;
        executor->post([&] {
            ran.push_back(1);
            executor.reset();
        });
        executor->post([&] { ran.push_back(2); });
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(ran, std::vector<int> {1});
    }

    void workerRunsEverythingInOrderOnOneThreadOfItsOwn()
    {
        std::vector<int> order;
        std::vector<QThread *> threads;
        QThread *workerThread = nullptr;
        {
            QtWorkerExecutor worker;
            workerThread = worker.thread();
            for (int value = 0; value < 1000; ++value)
                worker.post([&, value] {
                    order.push_back(value);
                    threads.push_back(QThread::currentThread());
                });
            // The destructor runs what is queued before it returns.
        }
        QCOMPARE(order.size(), std::size_t(1000));
        for (int value = 0; value < 1000; ++value)
            QCOMPARE(order[value], value);
        for (QThread *thread : threads) {
            QCOMPARE(thread, workerThread);
            QVERIFY(thread != QCoreApplication::instance()->thread());
        }
    }

    void workerRunsWorkPostedByItsOwnWorkBeforeItStops()
    {
        std::vector<int> order;
        {
            QtWorkerExecutor worker;
            worker.post([&] {
                order.push_back(1);
                worker.post([&] {
                    order.push_back(3);
                    worker.post([&] { order.push_back(4); });
                });
                order.push_back(2);
            });
        }
        QCOMPARE(order, (std::vector<int> {1, 2, 3, 4}));
    }

    void workerDestroyedByItsOwnWorkFinishesTheQueue()
    {
        // The last owner may be a job on the worker itself: it cannot join its own thread.
        auto mainThread = std::make_shared<QtMainThreadExecutor>();
        auto worker = std::make_shared<QtWorkerExecutor>();
        const QPointer<QThread> workerThread = worker->thread();
        std::promise<void> gate;
        std::vector<int> ran;
        bool finished = false;
        // Held until everything is posted, so that the worker lets go only after this thread is done with it.
        worker->post([opened = gate.get_future().share()] { opened.wait(); });
        worker->post([&] {
            ran.push_back(1);
            worker.reset();
        });
        worker->post([&] { ran.push_back(2); });
        worker->post([&, mainThread] { mainThread->post([&] { finished = true; }); });
        gate.set_value();

        QVERIFY(waitUntil([&] { return finished; }));
        QCOMPARE(ran, (std::vector<int> {1, 2}));
        // The thread's object is deleted once the thread has ended.
        QVERIFY(waitUntil([&] { return workerThread.isNull(); }));
    }

    void workerHandsResultsToTheMainThread()
    {
        // The coordinator's round trip: work on the worker, the result back on the main thread.
        auto mainThread = std::make_shared<QtMainThreadExecutor>();
        QtWorkerExecutor worker;
        QThread *computedOn = nullptr;
        QThread *deliveredOn = nullptr;
        worker.post([&, mainThread] {
            QThread *here = QThread::currentThread();
            mainThread->post([&, here] {
                computedOn = here;
                deliveredOn = QThread::currentThread();
            });
        });
        QVERIFY(waitUntil([&] { return deliveredOn != nullptr; }));
        QCOMPARE(computedOn, worker.thread());
        QCOMPARE(deliveredOn, QCoreApplication::instance()->thread());
    }
};

QTEST_MAIN(QtExecutorTests)
#include "QtExecutorTests.moc"
