#pragma once

#include "PublishTable.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The "Publish" frame of the communication setup window: the broker, the
// topics and the credentials that readings are published with. Its boxes
// are read-only until "Modify"; the window stores and applies on "Save".
class PublishFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit PublishFrame(QWidget* parent = nullptr);

    void showSettings(const PublishSettings& settings);
    // The boxes as they stand; a port that is no number is 0.
    PublishSettings entered() const;
    // Editing: the boxes open and "Save" in place of "Modify".
    void setEditing(bool editing);
    bool isEditing() const;

    QPushButton* modifyButton() const { return m_modify; }
    QPushButton* saveButton() const { return m_save; }

private:
    QCheckBox* m_enabled = nullptr;
    QLineEdit* m_host = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_prefix = nullptr;
    QLineEdit* m_station = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_caFile = nullptr;
    QComboBox* m_qos = nullptr;
    QCheckBox* m_discovery = nullptr;
    QPushButton* m_modify = nullptr;
    QPushButton* m_save = nullptr;
};
