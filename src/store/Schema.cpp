#include "Schema.h"

#include "SchemaSql.h"

#include <QRegularExpression>

QStringList Schema::statements() {
    QStringList statements;
    for (const QString& statement : QString::fromUtf8(schemaSql).split(
             QRegularExpression(QStringLiteral(";\\s*\\n")), Qt::SkipEmptyParts)) {
        // Comment lines belong to no statement.
        QStringList lines;
        for (const QString& line : statement.split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        const QString text = lines.join(QLatin1Char('\n')).trimmed();
        if (!text.isEmpty())
            statements << text;
    }
    return statements;
}

QStringList Schema::statementsOf(const QString& table) {
    const QRegularExpression about(
        QStringLiteral("^(CREATE TABLE|CREATE INDEX \\w+ ON|INSERT INTO)\\s+%1\\b")
            .arg(QRegularExpression::escape(table)),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (const QString& statement : statements())
        if (about.match(statement).hasMatch())
            found << statement;
    return found;
}
