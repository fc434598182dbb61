#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/parameterexport.h"
#include "data/parameterfile.h"

#include <QDir>
#include <QMessageBox>
#include <QTableWidget>
#include <QTextCodec>

namespace {
constexpr int ColumnDescription = 1;
constexpr int ColumnValue = 2;

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

// Saves the shown register tables, as they are on screen, with the operator's remark in
// a file named after the device. A file that cannot be written is reported, and the
// remark stays so that nothing typed is lost.
void MainWindow::on_pB_T_ExportPara_clicked()
{
    // The unique ID as the device information shows it: the stored text is emptied on
    // disconnection and stays empty after reconnecting to the same device.
    const QString fileName = ParameterExport::fileName(m_currentModelName, ui->lb_UID_I->text());
    const QString remark = ui->tE_T_ExportRemark->toPlainText();
    const QString question =
        tr("\nFile Name: %1\nRemark:\n%2\n\nAre you want to continue?\n").arg(fileName, remark);
    if (askOperator(QMessageBox::Question, tr("Notice"), question) != QMessageBox::Yes)
        return;

    QVector<ParameterExport::TableTexts> tables;
    for (int index = 0; index < ui->tabW_register->count(); ++index) {
        const auto *table = qobject_cast<const QTableWidget *>(ui->tabW_register->widget(index));
        if (!table)
            continue;
        ParameterExport::TableTexts texts;
        texts.title = ui->tabW_register->tabText(index);
        for (int row = 0; row < table->rowCount(); ++row) {
            texts.descriptions << cellText(table, row, ColumnDescription);
            texts.values << cellText(table, row, ColumnValue);
        }
        tables << texts;
    }

    const QByteArray content =
        QTextCodec::codecForLocale()->fromUnicode(ParameterExport::fileText(tables, remark));
    QString reason;
    if (!ParameterFile::write(fileName, content, &reason)) {
        askOperator(QMessageBox::Warning, tr("Notice"),
                    tr("The parameters could not be saved to %1:\n%2")
                        .arg(QDir::toNativeSeparators(QDir::current().absoluteFilePath(fileName)),
                             reason));
        return;
    }
    ui->tE_T_ExportRemark->clear();
}
