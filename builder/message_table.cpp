// The messages of the launcher and their built-in texts. A project that
// writes none of them still gets a setup file that explains every failure in
// the user's language (English, German, French or Spanish).
#include "builder/message_table.h"

#include <cstdlib>
#include <iterator>

#include "builder/settings_table.h"

const char* const kTranslationCodes[kTranslationCount] = {"de", "fr", "es"};

namespace {

using R = MessageReach;
using F = MessageFormat;

// One row per message, laid out by hand: id, purpose, reach and format on
// the first line, then the texts.
// clang-format off
const MessageInfo kMessages[] = {
    {1000, "caption of every error box", R::Always, F::Placeholder,
     {"Setup Error", "Setup-Fehler", "Erreur d'installation", "Error de instalación"},
     {"Error", "Fehler", "Erreur", "Error"}},
    {1005, "the Java VM cannot be started", R::Always, F::Placeholder,
     {"The Java runtime could not be started. The memory setting for Java (-Xmx) may be too large, or security "
      "software may be blocking it.",
      "Die Java-Laufzeitumgebung konnte nicht gestartet werden. Die Speichereinstellung für Java (-Xmx) ist "
      "vielleicht zu groß, oder eine Sicherheitssoftware blockiert den Start.",
      "L'environnement d'exécution Java n'a pas pu être démarré. Le réglage de mémoire de Java (-Xmx) est peut-être "
      "trop élevé, ou un logiciel de sécurité bloque son lancement.",
      "No se pudo iniciar el entorno de ejecución de Java. Es posible que el ajuste de memoria de Java (-Xmx) sea "
      "demasiado alto o que un programa de seguridad impida su inicio."}},
    {1006, "a required class_path entry is missing; {0} is the entry", R::RequiredClassPathEntry, F::Placeholder,
     {"A file the installer needs is missing: {0}", "Eine Datei, die das Installationsprogramm braucht, fehlt: {0}",
      "Un fichier nécessaire au programme d'installation est manquant : {0}",
      "Falta un archivo que necesita el programa de instalación: {0}"},
     {"A file the application needs is missing: {0}", "Eine Datei, die die Anwendung braucht, fehlt: {0}",
      "Un fichier nécessaire à l'application est manquant : {0}", "Falta un archivo que necesita la aplicación: {0}"}},
    {1008, "a required class_path variable is not set; {0} is its name", R::RequiredClassPathVariable,
     F::Placeholder,
     {"The environment variable {0} must be set before the installer can start.",
      "Die Umgebungsvariable {0} muss gesetzt sein, damit das Installationsprogramm starten kann.",
      "La variable d'environnement {0} doit être définie pour que le programme d'installation puisse démarrer.",
      "La variable de entorno {0} debe estar definida para que el programa de instalación pueda iniciarse."},
     {"The environment variable {0} must be set before the application can start.",
      "Die Umgebungsvariable {0} muss gesetzt sein, damit die Anwendung starten kann.",
      "La variable d'environnement {0} doit être définie pour que l'application puisse démarrer.",
      "La variable de entorno {0} debe estar definida para que la aplicación pueda iniciarse."}},
    {1009, "an internal error; {0} is its code", R::Always, F::Placeholder,
     {"An internal error occurred (code {0}).", "Ein interner Fehler ist aufgetreten (Code {0}).",
      "Une erreur interne s'est produite (code {0}).", "Se ha producido un error interno (código {0})."}},
    {1010, "the runtime's entry class is not among the files", R::Always, F::Placeholder,
     {"The installer could not be started: its main class was not found.",
      "Das Installationsprogramm konnte nicht gestartet werden: Seine Hauptklasse wurde nicht gefunden.",
      "Le programme d'installation n'a pas pu démarrer : sa classe principale est introuvable.",
      "No se pudo iniciar el programa de instalación: no se encontró su clase principal."},
     {"The application could not be started: its main class was not found.",
      "Die Anwendung konnte nicht gestartet werden: Ihre Hauptklasse wurde nicht gefunden.",
      "L'application n'a pas pu démarrer : sa classe principale est introuvable.",
      "No se pudo iniciar la aplicación: no se encontró su clase principal."}},
    {1011, "the entry class has no main method", R::Always, F::Placeholder,
     {"The installer could not be started: its main method was not found.",
      "Das Installationsprogramm konnte nicht gestartet werden: Seine main-Methode wurde nicht gefunden.",
      "Le programme d'installation n'a pas pu démarrer : sa méthode main est introuvable.",
      "No se pudo iniciar el programa de instalación: no se encontró su método main."},
     {"The application could not be started: its main method was not found.",
      "Die Anwendung konnte nicht gestartet werden: Ihre main-Methode wurde nicht gefunden.",
      "L'application n'a pas pu démarrer : sa méthode main est introuvable.",
      "No se pudo iniciar la aplicación: no se encontró su método main."}},
    {1015, "no temporary directory can be written", R::Always, F::Placeholder,
     {"Setup cannot write to any temporary directory. Please make sure that the TEMP folder exists and can be "
      "written to, or run setup with more rights.",
      "Setup kann in kein temporäres Verzeichnis schreiben. Bitte prüfen Sie, ob der TEMP-Ordner existiert und "
      "beschreibbar ist, oder starten Sie Setup mit mehr Rechten.",
      "Le programme d'installation ne peut écrire dans aucun répertoire temporaire. Vérifiez que le dossier TEMP "
      "existe et est accessible en écriture, ou lancez l'installation avec davantage de droits.",
      "El programa de instalación no puede escribir en ningún directorio temporal. Compruebe que la carpeta TEMP "
      "existe y admite escritura, o ejecute la instalación con más permisos."},
     {"The application cannot write to any temporary directory. Please make sure that the TEMP folder exists and "
      "can be written to, or start the application with more rights.",
      "Die Anwendung kann in kein temporäres Verzeichnis schreiben. Bitte prüfen Sie, ob der TEMP-Ordner existiert "
      "und beschreibbar ist, oder starten Sie die Anwendung mit mehr Rechten.",
      "L'application ne peut écrire dans aucun répertoire temporaire. Vérifiez que le dossier TEMP existe et est "
      "accessible en écriture, ou lancez l'application avec davantage de droits.",
      "La aplicación no puede escribir en ningún directorio temporal. Compruebe que la carpeta TEMP existe y admite "
      "escritura, o inicie la aplicación con más permisos."}},
    {1016, "no usable Java runtime; {0} is the bitness", R::Always, F::Placeholder,
     {"No suitable {0}-bit Java runtime was found.",
      "Es wurde keine passende {0}-Bit-Java-Laufzeitumgebung gefunden.",
      "Aucun environnement d'exécution Java {0} bits adapté n'a été trouvé.",
      "No se encontró ningún entorno de ejecución de Java de {0} bits adecuado."}},
    {1019, "the Java runtime found at {0} cannot be loaded", R::Always, F::Placeholder,
     {"The Java runtime at {0} cannot be used.", "Die Java-Laufzeitumgebung in {0} kann nicht verwendet werden.",
      "L'environnement d'exécution Java situé dans {0} ne peut pas être utilisé.",
      "No se puede usar el entorno de ejecución de Java de {0}."}},
    {20001, "text of the progress dialog while a Java runtime is downloaded", R::DownloadOffered, F::Placeholder,
     {"Downloading a Java runtime. This may take a few minutes.",
      "Eine Java-Laufzeitumgebung wird heruntergeladen. Das kann einige Minuten dauern.",
      "Téléchargement d'un environnement d'exécution Java. Cela peut prendre quelques minutes.",
      "Descargando un entorno de ejecución de Java. Esto puede tardar unos minutos."}},
    {20002, "the download cannot start: the Windows internet functions are missing", R::DownloadOffered,
     F::Placeholder,
     {"The download cannot start because the internet functions of Windows are not available.",
      "Der Download kann nicht beginnen, weil die Internetfunktionen von Windows nicht verfügbar sind.",
      "Le téléchargement ne peut pas commencer, car les fonctions Internet de Windows ne sont pas disponibles.",
      "La descarga no puede comenzar porque las funciones de Internet de Windows no están disponibles."}},
    {20003, "the download failed three times", R::DownloadOffered, F::Placeholder,
     {"The Java runtime could not be downloaded. Please check your internet connection and try again.",
      "Die Java-Laufzeitumgebung konnte nicht heruntergeladen werden. Bitte prüfen Sie Ihre Internetverbindung "
      "und versuchen Sie es erneut.",
      "L'environnement d'exécution Java n'a pas pu être téléchargé. Vérifiez votre connexion Internet et "
      "réessayez.",
      "No se pudo descargar el entorno de ejecución de Java. Compruebe su conexión a Internet e inténtelo de "
      "nuevo."}},
    {20004, "title of the file dialog for locating java.exe", R::Always, F::Placeholder,
     {"Select java.exe of a Java runtime", "java.exe einer Java-Laufzeitumgebung auswählen",
      "Sélectionnez le fichier java.exe d'un environnement d'exécution Java",
      "Seleccione el archivo java.exe de un entorno de ejecución de Java"}},
    {20005, "no Java runtime found, a download is offered; %S is the bitness", R::DownloadOffered, F::Bitness,
     {"This installer needs a %S-bit Java runtime, and none that fits was found on this computer. You can download "
      "one now or locate one that is already installed.",
      "Dieses Installationsprogramm braucht eine %S-Bit-Java-Laufzeitumgebung, auf diesem Computer wurde aber keine "
      "passende gefunden. Sie können jetzt eine herunterladen oder eine bereits installierte auswählen.",
      "Ce programme d'installation a besoin d'un environnement d'exécution Java %S bits, mais aucun environnement "
      "adapté n'a été trouvé sur cet ordinateur. Vous pouvez en télécharger un maintenant ou indiquer un "
      "environnement déjà installé.",
      "Este programa de instalación necesita un entorno de ejecución de Java de %S bits y no se encontró ninguno "
      "adecuado en este equipo. Puede descargar uno ahora o indicar uno ya instalado."},
     {"This application needs a %S-bit Java runtime, and none that fits was found on this computer. You can "
      "download one now or locate one that is already installed.",
      "Diese Anwendung braucht eine %S-Bit-Java-Laufzeitumgebung, auf diesem Computer wurde aber keine passende "
      "gefunden. Sie können jetzt eine herunterladen oder eine bereits installierte auswählen.",
      "Cette application a besoin d'un environnement d'exécution Java %S bits, mais aucun environnement adapté n'a "
      "été trouvé sur cet ordinateur. Vous pouvez en télécharger un maintenant ou indiquer un environnement déjà "
      "installé.",
      "Esta aplicación necesita un entorno de ejecución de Java de %S bits y no se encontró ninguno adecuado en este "
      "equipo. Puede descargar uno ahora o indicar uno ya instalado."}},
    {20006, "no Java runtime found, no download offered; %S is the bitness", R::NoDownload, F::Bitness,
     {"This installer needs a %S-bit Java runtime, and none that fits was found on this computer. Please locate one "
      "that is already installed.",
      "Dieses Installationsprogramm braucht eine %S-Bit-Java-Laufzeitumgebung, auf diesem Computer wurde aber keine "
      "passende gefunden. Bitte wählen Sie eine bereits installierte aus.",
      "Ce programme d'installation a besoin d'un environnement d'exécution Java %S bits, mais aucun environnement "
      "adapté n'a été trouvé sur cet ordinateur. Veuillez indiquer un environnement déjà installé.",
      "Este programa de instalación necesita un entorno de ejecución de Java de %S bits y no se encontró ninguno "
      "adecuado en este equipo. Indique uno ya instalado."},
     {"This application needs a %S-bit Java runtime, and none that fits was found on this computer. Please locate "
      "one that is already installed.",
      "Diese Anwendung braucht eine %S-Bit-Java-Laufzeitumgebung, auf diesem Computer wurde aber keine passende "
      "gefunden. Bitte wählen Sie eine bereits installierte aus.",
      "Cette application a besoin d'un environnement d'exécution Java %S bits, mais aucun environnement adapté n'a "
      "été trouvé sur cet ordinateur. Veuillez indiquer un environnement déjà installé.",
      "Esta aplicación necesita un entorno de ejecución de Java de %S bits y no se encontró ninguno adecuado en este "
      "equipo. Indique uno ya instalado."}},
    {20007, "text of the progress dialog", R::Always, F::Placeholder,
     {"Preparing the setup wizard, which will guide you through the rest of the installation.",
      "Der Setup-Assistent wird vorbereitet. Er führt Sie durch den Rest der Installation.",
      "Préparation de l'assistant d'installation, qui vous guidera pendant le reste de l'installation.",
      "Preparando el asistente de instalación, que le guiará durante el resto de la instalación."},
     {"Starting the application...", "Die Anwendung wird gestartet...", "Démarrage de l'application...",
      "Iniciando la aplicación..."}},
    {20008, "download progress: MB received, MB in all, percent, kB/s", R::DownloadOffered, F::DownloadProgress,
     {"%.2f MB of %.2f MB (%.1f%%) at %.1f kB/s", "%.2f MB von %.2f MB (%.1f%%) mit %.1f kB/s",
      "%.2f Mo sur %.2f Mo (%.1f%%) à %.1f Ko/s", "%.2f MB de %.2f MB (%.1f%%) a %.1f kB/s"}},
    {20009, "status line while the download connects", R::DownloadOffered, F::Placeholder,
     {"Connecting to the download server...", "Verbindung zum Downloadserver wird hergestellt...",
      "Connexion au serveur de téléchargement...", "Conectando con el servidor de descarga..."}},
    {20010, "the Download button", R::DownloadOffered, F::Placeholder,
     {"Download", "Herunterladen", "Télécharger", "Descargar"}},
    {20011, "the Locate button", R::Always, F::Placeholder, {"Locate", "Auswählen", "Parcourir", "Buscar"}},
    {20012, "the Cancel button of the dialogs", R::Always, F::Placeholder,
     {"Cancel", "Abbrechen", "Annuler", "Cancelar"}},
    {20013, "caption of the dialogs and of the damaged-file boxes", R::Always, F::Placeholder,
     {"Setup", "Setup", "Installation", "Instalación"},
     {"Application", "Anwendung", "Application", "Aplicación"}},
    {20015, "label before the version found in the Java runtime choice and beside a refused runtime",
     R::VersionBound, F::Placeholder, {"found", "gefunden", "trouvée", "encontrada"}},
    {20014, "the installer's window did not appear within about four minutes", R::WindowTimeout, F::Placeholder,
     {"The installer window did not appear in time. Please start setup again.",
      "Das Fenster des Installationsprogramms ist nicht rechtzeitig erschienen. Bitte starten Sie Setup erneut.",
      "La fenêtre du programme d'installation n'est pas apparue à temps. Veuillez relancer l'installation.",
      "La ventana del programa de instalación no apareció a tiempo. Vuelva a iniciar la instalación."},
     {"The application window did not appear in time. Please start the application again.",
      "Das Fenster der Anwendung ist nicht rechtzeitig erschienen. Bitte starten Sie die Anwendung erneut.",
      "La fenêtre de l'application n'est pas apparue à temps. Veuillez relancer l'application.",
      "La ventana de la aplicación no apareció a tiempo. Vuelva a iniciar la aplicación."}},
    {20016, "the setup file is damaged", R::Always, F::Placeholder,
     {"The setup file is damaged. If you downloaded it, please download it again.",
      "Die Setup-Datei ist beschädigt. Wenn Sie sie heruntergeladen haben, laden Sie sie bitte erneut herunter.",
      "Le fichier d'installation est endommagé. Si vous l'avez téléchargé, veuillez le télécharger à nouveau.",
      "El archivo de instalación está dañado. Si lo descargó, descárguelo de nuevo."},
     {"The program file is damaged. If you downloaded it, please download it again.",
      "Die Programmdatei ist beschädigt. Wenn Sie sie heruntergeladen haben, laden Sie sie bitte erneut herunter.",
      "Le fichier du programme est endommagé. Si vous l'avez téléchargé, veuillez le télécharger à nouveau.",
      "El archivo del programa está dañado. Si lo descargó, descárguelo de nuevo."}},
    {20018, "the disk filled up while files were unpacked", R::Always, F::Placeholder,
     {"There is not enough disk space to unpack the setup files. Please free some space and try again.",
      "Für das Entpacken der Setup-Dateien ist nicht genug Speicherplatz frei. Bitte schaffen Sie Platz und "
      "versuchen Sie es erneut.",
      "L'espace disque est insuffisant pour décompresser les fichiers d'installation. Libérez de l'espace et "
      "réessayez.",
      "No hay espacio suficiente en el disco para descomprimir los archivos de instalación. Libere espacio e "
      "inténtelo de nuevo."},
     {"There is not enough disk space to unpack the application's files. Please free some space and try again.",
      "Für das Entpacken der Anwendungsdateien ist nicht genug Speicherplatz frei. Bitte schaffen Sie Platz und "
      "versuchen Sie es erneut.",
      "L'espace disque est insuffisant pour décompresser les fichiers de l'application. Libérez de l'espace et "
      "réessayez.",
      "No hay espacio suficiente en el disco para descomprimir los archivos de la aplicación. Libere espacio e "
      "inténtelo de nuevo."}},
    {20019, "label before the minimum version in the Java runtime choice", R::MinVersion, F::Placeholder,
     {"minimum version", "Mindestversion", "version minimale", "versión mínima"}},
    {20020, "label before the maximum version in the Java runtime choice", R::MaxVersion, F::Placeholder,
     {"maximum version", "Höchstversion", "version maximale", "versión máxima"}},
};
// clang-format on

// Reads one directive after a "%" at text[*pos]; the conversion letter, or 0
// when the directive is malformed. Flags, width and precision are skipped,
// but a "*" (which would take an argument of its own) is malformed.
char16_t directive(const std::u16string& text, size_t* pos, bool* decorated) {
    size_t start = *pos;
    while (*pos < text.size() && std::u16string(u"-+ #0").find(text[*pos]) != std::u16string::npos) ++*pos;
    while (*pos < text.size() && text[*pos] >= u'0' && text[*pos] <= u'9') ++*pos;
    if (*pos < text.size() && text[*pos] == u'.') {
        ++*pos;
        while (*pos < text.size() && text[*pos] >= u'0' && text[*pos] <= u'9') ++*pos;
    }
    *decorated = *pos != start;
    return *pos < text.size() ? text[(*pos)++] : 0;
}

bool classPathHasRequired(const std::map<int32_t, std::string>& settings, bool variablesOnly) {
    auto it = settings.find(setting_key::kClassPath);
    if (it == settings.end()) return false;
    const std::string& value = it->second;
    for (size_t start = 0; start < value.size();) {
        size_t end = value.find(';', start);
        if (end == std::string::npos) end = value.size();
        if (end - start >= 2 && value[start + 1] == '1' && (!variablesOnly || value[start] == 'E')) return true;
        start = end + 1;
    }
    return false;
}

bool nonEmpty(const std::map<int32_t, std::string>& settings, int32_t key) {
    auto it = settings.find(key);
    return it != settings.end() && !it->second.empty();
}

// As the launcher reads an integer: leading digits, anything else is 0.
bool nonZero(const std::map<int32_t, std::string>& settings, int32_t key) {
    auto it = settings.find(key);
    return it != settings.end() && std::atoi(it->second.c_str()) != 0;
}

}  // namespace

const char* builtInText(const MessageInfo& message, TextFlavour flavour, int language) {
    const bool own = flavour == TextFlavour::kApplication && message.applicationText[0];
    return own ? message.applicationText[language] : message.text[language];
}

const MessageInfo* messagesBegin() { return std::begin(kMessages); }
const MessageInfo* messagesEnd() { return std::end(kMessages); }

const MessageInfo* messageById(int32_t id) {
    for (const MessageInfo& m : kMessages)
        if (m.id == id) return &m;
    return nullptr;
}

bool messageFormatFits(const MessageInfo& message, const std::u16string& text, std::string* why) {
    if (message.format == MessageFormat::Placeholder) return true;
    const bool bitness = message.format == MessageFormat::Bitness;
    int conversions = 0;
    for (size_t pos = 0; pos < text.size();) {
        if (text[pos++] != u'%') continue;
        if (pos < text.size() && text[pos] == u'%') {
            ++pos;
            continue;
        }
        bool decorated = false;
        char16_t letter = directive(text, &pos, &decorated);
        bool fits = bitness ? letter == u'S' && !decorated
                            : letter && std::u16string(u"fFeEgG").find(letter) != std::u16string::npos;
        if (!fits || ++conversions > (bitness ? 1 : 4)) {
            *why = bitness ? "may hold one %S (the bitness) and %% for a percent sign, nothing else after a %"
                           : "may hold up to four number directives such as %.2f (MB received, MB in all, percent, "
                             "kB/s) and %% for a percent sign, nothing else after a %";
            return false;
        }
    }
    return true;
}

bool messageReachable(const MessageInfo& message, const std::map<int32_t, std::string>& settings,
                      std::string* because) {
    using namespace setting_key;
    switch (message.reach) {
        case R::Always: *because = ""; return true;
        case R::DownloadOffered: *because = "download_url is set"; return nonEmpty(settings, kDownloadUrl);
        case R::NoDownload: *because = "download_url is not set"; return !nonEmpty(settings, kDownloadUrl);
        case R::MinVersion: *because = "min_java_version is set"; return nonEmpty(settings, kMinJavaVersion);
        case R::MaxVersion: *because = "max_java_version is set"; return nonEmpty(settings, kMaxJavaVersion);
        case R::VersionBound:
            *because = "min_java_version or max_java_version is set";
            return nonEmpty(settings, kMinJavaVersion) || nonEmpty(settings, kMaxJavaVersion);
        case R::RequiredClassPathEntry:
            *because = "class_path has a required entry";
            return classPathHasRequired(settings, false);
        case R::RequiredClassPathVariable:
            *because = "class_path has a required variable";
            return classPathHasRequired(settings, true);
        case R::WindowTimeout: *because = "no_window_timeout is not set"; return !nonZero(settings, kNoWindowTimeout);
    }
    return false;
}
