#include "package/Kvt04410.h"

#include "client/Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "host/ScreenServices.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Exceptions.h"

#include <exception>
#include <memory>

namespace {

void showError(const QString &text)
{
    Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"), 3, QString(),
             QStringLiteral("002"), 0, nullptr);
}

void storeConsumer(QVariant &oleRetorno, const QString &code)
{
    if (oleRetorno.typeId() != QMetaType::QVariantList || oleRetorno.toList().isEmpty())
        throw kvt::Exception(QStringLiteral("O retorno não é uma lista com o elemento 0."));
    QVariantList list = oleRetorno.toList();
    list[0] = code;
    oleRetorno = list;
}

// One screen session owns its data module and its form: made in that order, released in the
// reverse one whatever happened, and the module-level names cleared with them.
class ScreenSession
{
public:
    // Should the form fail to build, the data module's scope still ends.
    ScreenSession() : m_form(std::make_unique<TfrmCadCons>()) {}
    ScreenSession(const ScreenSession &) = delete;
    ScreenSession &operator=(const ScreenSession &) = delete;

    TfrmCadCons &form() { return *m_form; }

private:
    const DataModuleScope m_dados;
    const std::unique_ptr<TfrmCadCons> m_form;
};

// arParams is the call's own copy: the host's array is never changed.
QString criaTela(const QVariantList &arParams, QVariant &oleRetorno)
{
    QString result;
    // A template captured for one consumer must never be saved with another.
    stDigital.clear();
    stDigital2.clear();
    try {
        ScreenSession sessao;
        TfrmCadCons &form = sessao.form();
        form.InicializaForm(arParams);
        form.exec();
        const CadConsEstado &estado = form.edicao().estado;
        if (!estado.stConsumidor.isEmpty())
            storeConsumer(oleRetorno, estado.stConsumidor);
        result = estado.stResult;
    } catch (const kvt::EAbort &) {
        // Already reported by the check that raised it.
    } catch (const kvt::Exception &e) {
        showError(e.message());
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        // Nothing may unwind into the host through a C entry point.
        showError(QStringLiteral("Erro desconhecido ao abrir o cadastro de consumidor."));
    }
    return result;
}

const PackageInfo packageInfo{"Kvt04410", "1.0", "CriaTelaKvt04410"};

} // namespace

extern "C" {

Q_DECL_EXPORT QString CriaTelaKvt04410(QVariantList arParams, QVariant &oleRetorno)
{
    return criaTela(arParams, oleRetorno);
}

Q_DECL_EXPORT void Initialize()
{
    // The data-service and screen units register and create nothing of their own; errors that
    // no handler caught, and every message, are shown in the host's message box.
    installHostErrorHandler();
    installMensagemDialog();
}

Q_DECL_EXPORT void Finalize()
{
    stDigital.clear();
    stDigital2.clear();
}

Q_DECL_EXPORT const PackageInfo *GetPackageInfoTable()
{
    return &packageInfo;
}
}

// The same operation under its decorated C++ name.
namespace Kvt04410 {
Q_DECL_EXPORT QString CriaTelaKvt04410(QVariantList arParams, QVariant &oleRetorno)
{
    return criaTela(arParams, oleRetorno);
}
} // namespace Kvt04410
