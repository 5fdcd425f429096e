#pragma once

#include <QByteArray>

// Where a family's parameter image keeps the register's serial number. The
// link finds it in the register's pages from here, and files are checked
// against it, so the two cannot disagree.
struct ImageSerialPlace
{
    int page = 0; // page within the parameter image
    int offset = 0; // byte offset within that page
    int length = 0;
};

// Family 53; any other family number gets the 2.52 place.
ImageSerialPlace imageSerialPlace(int family);

// The serial number stored inside a parameter image at the family's place,
// up to its first NUL (empty when the image is too short or holds none).
QByteArray serialInImage(const QByteArray &params, int family);
