#pragma once

#include <QByteArray>

// The status page: fixed HTML with a few lines of script that fetch the
// JSON documents every 2 s, by relative URLs so it works behind a prefix,
// and draw them. It holds no state, so it can be served as it is.
namespace StatusPage {

QByteArray html();

} // namespace StatusPage
