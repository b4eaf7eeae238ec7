#pragma once

#include <QtGlobal>

#if defined(KVT_HOSTZET_LIBRARY)
#define HOSTZET_EXPORT Q_DECL_EXPORT
#else
#define HOSTZET_EXPORT Q_DECL_IMPORT
#endif
