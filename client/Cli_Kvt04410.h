#pragma once

#include "CadConsBuscas.h"
#include "CadConsDica.h"
#include "CadConsEdicao.h"
#include "CadConsEntrega.h"
#include "CadConsMascara.h"
#include "CadConsRegras.h"
#include "CadConsViaCep.h"
#include "toolkit/MemTable.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>
#include <vector>

class DataModuleScope;
class QFrame;
class QLabel;
class TMessages;

namespace kvt {
class DataSet;
class ListButton;
class PictureButton;
class RoundShape;
class TouchButton;
} // namespace kvt

namespace cadcons {
struct CampoForm;
} // namespace cadcons

// The consumer registration screen: an 800 x 600 touch form whose input fields are touch
// buttons numbered as cadcons::Campo; the editing model keeps the number of the field being
// edited in inLblAtiv. The editing rules, the checks, the look-ups, the confirmation and the web
// postal-code fill live in widget-free units; the form's named handlers delegate to them and show
// what they ask for.
class TfrmCadCons : public QDialog,
                    private CadConsEdicao::Textos,
                    private CadConsEdicao::Acoes,
                    private CadConsEdicao::Mensagens,
                    private CadConsBuscas::Tela
{
    Q_OBJECT
    // The host's replay "dump" command reads the current field through this.
    Q_PROPERTY(int inLblAtiv READ campoAtivo)

public:
    static constexpr int kNumCampos = cadcons::kNumCampos;

    explicit TfrmCadCons(QWidget *parent = nullptr);
    ~TfrmCadCons() override;

    void InicializaForm(const QVariantList &arParams);

    void mudaCor() override;
    void VoltaCor();
    void BuscaTipoVenda();

    void sbtSairClick();

    // Keys: the key-down steps, then the typed character through the filter. Key is a Windows
    // virtual-key code, Shift a set of CadConsEdicao::Modificador.
    void FormKeyDown(int &Key, int Shift);
    void FormKeyPress(QChar &Key);
    void postaTexto(int inTag, const QString &stNumAdd, bool boBckSpc);

    // Touch handlers of the fields (the name displays select their code field).
    void campoClick(int numero);
    // The on-screen keyboard.
    void sbtCaracterClick(QChar caractere);
    void sbt_Click();
    void sbtBackSpaceClick();
    void sbtShiftClick();
    void sbtCapsLockClick();
    void sbtOutrosClick();
    void sbtEnterClick();
    void sbtLimparClick();
    void sbtDigitalClick();
    // Run after every key and touch: the keys whose character the current field would refuse
    // are disabled, and the hint line names who already holds the telephone or CPF typed.
    void mostraTecladoEDica();

    void sbtConfirmarClick();

    int campoAtivo() const { return m_edicao.inLblAtiv; }
    // The control of a field or name display (a cadcons::Campo) and the border of a field;
    // nullptr outside those numbers.
    kvt::TouchButton *campo(int numero) const;
    QWidget *borda(int numero) const;

    // The editing model: the current field, Shift and Caps Lock, and what the screen knows.
    CadConsEdicao &edicao() { return m_edicao; }
    const CadConsEdicao &edicao() const { return m_edicao; }
    CadConsViaCep &viaCep() { return m_viaCep; }
    // Every in-memory table of the screen.
    QList<kvt::MemTable *> tabelas();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The controls of field `numero` and where they sit (CadConsDados.cpp).
    static const cadcons::CampoForm &campoForm(int numero);

    // Input fields, by number.
    kvt::TouchButton *bldCep = nullptr;
    kvt::TouchButton *edtNmConsumidor = nullptr;
    kvt::TouchButton *edtDtNasc = nullptr;
    kvt::TouchButton *edtCpf = nullptr;
    kvt::TouchButton *bldIdentidade = nullptr;
    kvt::TouchButton *bldEmail = nullptr;
    kvt::TouchButton *bldTelefone = nullptr;
    kvt::TouchButton *edtTelefone2 = nullptr;
    kvt::TouchButton *edtCelular = nullptr;
    kvt::TouchButton *edtTipoVenda = nullptr;
    kvt::TouchButton *edtEndereco = nullptr;
    kvt::TouchButton *edtNumero = nullptr;
    kvt::TouchButton *bldComplemento = nullptr;
    kvt::TouchButton *edtCodPais = nullptr;
    kvt::TouchButton *edtEstado = nullptr;
    kvt::TouchButton *edtCodMuni = nullptr;
    kvt::TouchButton *edtBairro = nullptr;
    kvt::TouchButton *bldReferencia = nullptr;

    // Name displays beside the country, municipality and neighbourhood codes.
    kvt::TouchButton *bldNmPais = nullptr;
    kvt::TouchButton *bldNmMuni = nullptr;
    kvt::TouchButton *bldNmBairro = nullptr;

    QLabel *lblCEP = nullptr;
    QLabel *lblNome = nullptr;
    QLabel *lblDataNasc = nullptr;
    QLabel *lblCPF = nullptr;
    QLabel *lblIdentidade = nullptr;
    QLabel *lblEmail = nullptr;
    QLabel *lblTel = nullptr;
    QLabel *lblTel2 = nullptr;
    QLabel *lblCel = nullptr;
    QLabel *lblTipoVenda = nullptr;
    QLabel *lblEndereco = nullptr;
    QLabel *LabelNumero = nullptr;
    QLabel *lblCompl = nullptr;
    QLabel *lblPais = nullptr;
    QLabel *lblEstado = nullptr;
    QLabel *lblMunicipio = nullptr;
    QLabel *lblBairro = nullptr;
    QLabel *lblReferencia = nullptr;
    QLabel *lblCodTela = nullptr;
    QLabel *lblDica = nullptr;
    QLabel *lblEntrega = nullptr;

    kvt::RoundShape *blsBorda1 = nullptr;
    kvt::RoundShape *blsBorda2 = nullptr;
    kvt::RoundShape *blsBorda3 = nullptr;
    kvt::RoundShape *blsBorda4 = nullptr;
    kvt::RoundShape *blsBorda5 = nullptr;
    kvt::RoundShape *blsBorda6 = nullptr;
    kvt::RoundShape *blsBorda7 = nullptr;
    kvt::TouchButton *blsBorda8 = nullptr; // a button without handler that acts as a border
    kvt::RoundShape *blsBorda9 = nullptr;
    kvt::RoundShape *blsBorda10 = nullptr;
    kvt::RoundShape *blsBorda11 = nullptr;
    kvt::RoundShape *blsBorda12 = nullptr;
    kvt::RoundShape *blsBorda13 = nullptr;
    kvt::RoundShape *blsBorda14 = nullptr;
    kvt::RoundShape *blsBorda15 = nullptr;
    kvt::RoundShape *blsBorda16 = nullptr;
    kvt::RoundShape *blsBorda18 = nullptr;
    kvt::RoundShape *blsBorda19 = nullptr;
    kvt::RoundShape *blsBordaNMPais = nullptr;
    kvt::RoundShape *blsBordaNMMuni = nullptr;
    kvt::RoundShape *blsBordaNMBairro = nullptr;

    kvt::ListButton *dfxPesqPais = nullptr;
    kvt::ListButton *dxfPesqEstado = nullptr;
    kvt::ListButton *dxfMunicipio = nullptr;
    kvt::ListButton *dxfBairro = nullptr;
    kvt::ListButton *dxfTipoVenda = nullptr;

    kvt::PictureButton *sbtPesqCons = nullptr;
    kvt::PictureButton *sbtDigital = nullptr;
    kvt::PictureButton *sbtConfirmar = nullptr;

    // On-screen keyboard.
    kvt::TouchButton *sbt1 = nullptr;
    kvt::TouchButton *sbt2 = nullptr;
    kvt::TouchButton *sbt3 = nullptr;
    kvt::TouchButton *sbt4 = nullptr;
    kvt::TouchButton *sbt5 = nullptr;
    kvt::TouchButton *sbt6 = nullptr;
    kvt::TouchButton *sbt7 = nullptr;
    kvt::TouchButton *sbt8 = nullptr;
    kvt::TouchButton *sbt9 = nullptr;
    kvt::TouchButton *sbt0 = nullptr;
    kvt::TouchButton *sbtQ = nullptr;
    kvt::TouchButton *sbtW = nullptr;
    kvt::TouchButton *sbtE = nullptr;
    kvt::TouchButton *sbtR = nullptr;
    kvt::TouchButton *sbtT = nullptr;
    kvt::TouchButton *sbtY = nullptr;
    kvt::TouchButton *sbtU = nullptr;
    kvt::TouchButton *sbtI = nullptr;
    kvt::TouchButton *sbtO = nullptr;
    kvt::TouchButton *sbtP = nullptr;
    kvt::TouchButton *sbtA = nullptr;
    kvt::TouchButton *sbtS = nullptr;
    kvt::TouchButton *sbtD = nullptr;
    kvt::TouchButton *sbtF = nullptr;
    kvt::TouchButton *sbtG = nullptr;
    kvt::TouchButton *sbtH = nullptr;
    kvt::TouchButton *sbtJ = nullptr;
    kvt::TouchButton *sbtK = nullptr;
    kvt::TouchButton *sbtL = nullptr;
    kvt::TouchButton *sbtCCdil = nullptr;
    kvt::TouchButton *sbtZ = nullptr;
    kvt::TouchButton *sbtX = nullptr;
    kvt::TouchButton *sbtC = nullptr;
    kvt::TouchButton *sbtV = nullptr;
    kvt::TouchButton *sbtB = nullptr;
    kvt::TouchButton *sbtN = nullptr;
    kvt::TouchButton *sbtM = nullptr;
    kvt::TouchButton *sbtVirgula = nullptr;
    kvt::TouchButton *sbtPonto = nullptr;
    kvt::TouchButton *sbtBarra = nullptr;
    kvt::TouchButton *sbtShift = nullptr;
    kvt::TouchButton *sbtEspaco = nullptr;
    kvt::TouchButton *sbtCapsLock = nullptr;
    kvt::TouchButton *sbt_ = nullptr;
    kvt::TouchButton *sbtContraBarra = nullptr;
    kvt::TouchButton *sbtBackSpace = nullptr;
    kvt::TouchButton *sbtEnter = nullptr;
    kvt::TouchButton *sbtArroba = nullptr;
    kvt::PictureButton *sbtOutros = nullptr;
    kvt::PictureButton *sbtSair = nullptr;
    kvt::PictureButton *sbtLimpar = nullptr;

    QFrame *panConsumidor = nullptr;
    QFrame *panTeclado = nullptr;
    QFrame *panOutros = nullptr;

    TMessages *msgPadrao = nullptr;

    kvt::MemTable cdsParametrosZet;
    // The data module this form installed because the host had none, for the form's lifetime.
    std::unique_ptr<DataModuleScope> m_modulo;

    CadConsEdicao m_edicao{*this, *this};
    CadConsRegras m_regras{m_edicao, *this, *this, *this};
    CadConsViaCep m_viaCep{*this, *this, m_edicao.estado};
    CadConsBuscas m_buscas{*this, *this, m_edicao.estado, m_regras, *this};
    CadConsDica m_dica{m_edicao, *this};
    CadConsEntrega m_entrega;

    CadConsEstado &estado() { return m_edicao.estado; }
    const CadConsEstado &estado() const { return m_edicao.estado; }

    // CadConsEdicao::Textos
    QString texto(int numero) const override;
    void setTexto(int numero, const QString &texto) override;
    // CadConsEdicao::Acoes
    bool verifica(CadConsEdicao::Verificacao verificacao, bool avanca) override;
    void capturaDigital() override;
    void sair() override;
    bool confirmarHabilitado() const override;
    void confirmar() override;
    bool pesquisaHabilitada() const override;
    void pesquisaConsumidor() override;
    void abreLista(int campo) override;
    bool utilizaImpFis() const override;
    void menuFiscal() override;
    void mostraMaiusculas(bool maiusculas) override;
    void aguarda(const std::function<void()> &chamada) override;
    // CadConsEdicao::Mensagens: a message of the messages table, "%s" replaced by `nome`.
    void mensagem(const char *chave, int tipo, const QString &nome = {}) const override;

    // CadConsBuscas::Tela
    bool escolheNaLista(kvt::DataSet &tabela, const QString &pais, bool cores) override;
    // The delivery line shows the fee and time of `origem`'s current row while the
    // neighbourhood stays.
    void anotaEntrega(const kvt::DataSet &origem) override;
    // The postal-code web look-up, run when the system's own postal-code table has no row.
    void preencheEndViaCep() override;

    // The pickers and the consumer search, as the list buttons name them.
    void dfxPesqPaisClick();
    void dxfPesqEstadoClick();
    void dxfMunicipioClick();
    void dxfBairroClick();
    void dxfTipoVendaClick();
    void sbtPesqConsClick();

    // The named checks, as CadConsRegras holds them.
    void Vd_DtNasc(bool boTestaVazio);
    void Vd_Cpf();
    bool Vd_Telefones(const QString &telefone, bool boTestaVazio, int idTelefone);
    bool vd_Identidade(bool boTestaVazio);
    bool Vd_Cep();

    void mostraEntrega();
    void ligaControles();

    void criaControles();
    void leParametros();

    std::array<kvt::TouchButton *, cadcons::kNumTextos + 1> m_campos{};
    std::array<QWidget *, kNumCampos + 1> m_bordas{};
    // The keys that post a character (their tag), sbtArroba included.
    std::vector<kvt::TouchButton *> m_teclasCaractere;
    // A close request right after Alt+F4 comes from that key, which must not close the screen.
    QElapsedTimer m_altF4;
};

// Element i of the parameter array as text; a missing or null element is the empty text.
QString paramText(const QVariantList &list, int i);

// Where the window goes: where it is, except that on a screen narrower or lower than the window
// it overhangs both edges equally (the halving truncates toward zero).
QPoint windowOrigin(const QRect &screen, const QSize &window, const QPoint &current);
