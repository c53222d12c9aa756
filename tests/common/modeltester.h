#ifndef MODELTESTER_H
#define MODELTESTER_H

#include <QAbstractItemModelTester>
#include <QList>
#include <QStringList>

#include <memory>

// QAbstractItemModelTester in warning mode, collecting its reports. The device
// tree deliberately differs from the tester's expectations in two ways: the
// invalid index is enabled, and every column of a row stands for the same node
// (so column 1 has the children of column 0). Those reports are expected;
// every other report is a fault the test must see.
class ModelTester
{
public:
    explicit ModelTester(QAbstractItemModel *model)
    {
        if (active().isEmpty()) {
            previous() = qInstallMessageHandler(&ModelTester::handle);
        }
        active().append(this);
        tester = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    ~ModelTester()
    {
        tester.reset();
        active().removeOne(this);
        if (active().isEmpty()) {
            qInstallMessageHandler(previous());
        }
    }

    // Reports other than the two expected ones.
    QStringList unexpected() const { return reports; }
    // How many expected reports arrived: shows the tester is really attached.
    int expectedCount() const { return expectedReports; }

    static bool isExpected(const QString &message)
    {
        return message.contains(QLatin1String("flags == Qt::ItemIsDropEnabled || flags == 0")) ||
               message.contains(QLatin1String("childIndex != childIndex1"));
    }

private:
    static QList<ModelTester *> &active()
    {
        static QList<ModelTester *> testers;
        return testers;
    }

    static QtMessageHandler &previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (context.category && QByteArray(context.category) == "qt.modeltest") {
            const bool expected = isExpected(message);
            for (ModelTester *tester : std::as_const(active())) {
                if (expected) {
                    ++tester->expectedReports;
                } else {
                    tester->reports.append(message);
                }
            }
            return;
        }
        if (previous()) {
            previous()(type, context, message);
        }
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
    QStringList reports;
    int expectedReports = 0;
};

#endif // MODELTESTER_H
