#pragma once
// A test with a store file of its own (posix/store_file_test.h), written from
// Qt's bytes.

#include <QByteArray>

#include "posix/store_file_test.h"

class StoreTest : public StoreFileTest {
  protected:
    void WriteFile(const QByteArray& bytes) { StoreFileTest::WriteFile(bytes.toStdString()); }
};
