#pragma once

#include <QtGlobal>

#if defined(KVT_TOOLKIT_LIBRARY)
#define KVT_TOOLKIT_EXPORT Q_DECL_EXPORT
#else
#define KVT_TOOLKIT_EXPORT Q_DECL_IMPORT
#endif

#if defined(KVT_WIDGETS_LIBRARY)
#define KVT_WIDGETS_EXPORT Q_DECL_EXPORT
#else
#define KVT_WIDGETS_EXPORT Q_DECL_IMPORT
#endif
