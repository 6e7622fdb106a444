// German texts.
#include <loc/Translation.h>

namespace loc {

namespace {

const Message messages[] = {
    {"plat_bad_argument", "Ungültiges Argument '%S'."},
    {"plat_missing_argument", "Fehlendes Argument für '%S'."},
    {"plat_run_with_help", "Mit -help aufrufen, um die Verwendung anzuzeigen."},
    {"plat_configuration_global_params", "Globale Parameter"},
    {"plat_configuration_help_default", "Standard"},
    {"plat_configuration_log_dests_title", "Protokollziele:"},
    {"plat_configuration_log_names_title", "Protokollnamen:"},
    {"plat_configuration_option_usage_only", "Optionen sind Parameter."},
    {"plat_configuration_option_usage_with_extra",
     "Optionen sind Parameter und außerdem die folgenden:"},
    {"plat_configuration_param_usage",
     "Parameter werden mit -<param> ein- und mit -<param>=0 ausgeschaltet\n"
     "Werte werden als -<param> <wert> angegeben\n"
     "Weitere gültige Formen sind <param>=<wert> -<param>=<wert> "
     "--<param>=<wert>\n"
     "Groß- und Kleinschreibung der Namen spielt keine Rolle.  Die gültigen "
     "Parameter sind unten aufgeführt."},
    {"plat_param_log",
     "Ereignisse im Format <log>:<ziel>:<stufe>[,...] protokollieren."},
    {"plat_param_log_keep_days", "Protokolldateien X Tage lang aufbewahren."},
    {"plat_param_logdir",
     "Verzeichnis für Protokollausgaben, die in eine Datei geleitet werden."},
    {"plat_param_logfile",
     "Datei für Protokollausgaben, die in eine Datei geleitet werden."},
    {"plat_press_return_to_continue",
     "Drücken Sie die Eingabetaste, um fortzufahren"},
    {"plat_string_too_long", "Zeichenkette zu lang"},
    {"plat_this_program_not_directly",
     "Dieses Programm ist nicht für den direkten Aufruf vorgesehen."},
    {"plat_usage_help", "[Erweiterte] Hinweise zur Verwendung anzeigen."},
    {"plat_usage_label", "Verwendung:"},

    {"loc_param_locale",
     "Zu verwendendes Gebietsschema. Geben Sie en_US, de_DE, es_ES, fr_FR "
     "oder pt_BR an, oder lassen Sie den Wert leer, um das Gebietsschema des "
     "Benutzers oder des Systems zu verwenden."},

    {"io_error_endpoint_empty", "Ungültiger Endpunkt: Host und/oder Port leer"},
    {"io_error_endpoint_bracket",
     "Ungültiger Endpunkt: \"[\" ohne Gegenstück im Host"},
    {"io_error_endpoint_badport",
     "Ungültiger Endpunkt: Port nicht korrekt angegeben"},
    {"io_error_endpoint_general", "Ungültiger Endpunkt"},
    {"io_error_endpoint_badescape",
     "Ungültiger Endpunkt: fehlerhafte %%-Maskierung"},
    {"io_error_eai_again", "Vorübergehender Fehler bei der Namensauflösung"},
    {"io_error_eai_nodata", "Der angeforderte Name hat keine IP-Adresse"},
    {"io_error_eai_noname", "Dieser Host ist nicht bekannt"},
    {"io_error_ip_nethostunreach", "Es ist keine Route zum Host bekannt"},
    {"io_error_tcp_conndropped", "Die Verbindung wurde beim Aufbau abgelehnt"},
    {"io_error_tcp_connrefused", "Die Verbindung wurde vom Computer abgelehnt"},
    {"io_error_tcp_connreset",
     "Die Verbindung wurde von der Gegenseite geschlossen"},
    {"io_error_tcp_timedout",
     "Zeitüberschreitung beim Warten auf eine Antwort des Computers"},
    {"io_error_proxy_disconnected", "vom Proxy getrennt"},
    {"io_error_proxy_general", "Verbindung über %1$S nicht möglich: %2$S"},
    {"io_dscp_param",
     "Wert zur Klassifizierung des Netzwerkverkehrs für die Dienstgüte "
     "(Quality of Service)."},
    {"io_param_blacklist_threshold",
     "Anzahl der fehlgeschlagenen Authentifizierungsversuche, nach der ein "
     "sich verbindendes Gerät für eine Sperrfrist auf die schwarze Liste "
     "gesetzt wird."},
    {"io_param_blacklist_timeout",
     "Anfängliche Anzahl von Sekunden, in denen Verbindungen von einem Gerät "
     "auf der schwarzen Liste abgewiesen werden, bevor der Benutzer erneut "
     "versuchen kann, sich zu authentifizieren."},
    {"io_proxy_connection_desc", "Direktes TCP über die Proxy-Einstellungen"},
    {"io_socks5_connection_type", "Direktes TCP über SOCKS5-Proxy %S"},
    {"io_tcp_connection_type", "Direktes TCP"},
    {"io_udp_connection_type", "Direktes UDP"},

    // jex-agent
    {"agent_param_name", "Name dieses Agenten: Er wartet auf print.<Name> im "
                         "privaten Verzeichnis des Benutzers."},
    {"agent_param_output_dir", "Ordner für gedruckte Aufträge, ein Ordner pro "
                               "Auftrag. Leer: Printouts im Dokumentenordner."},
    {"agent_param_on_job",
     "Befehl, der nach jedem zugestellten Auftrag mit dessen Ordner als "
     "letztem Argument ausgeführt wird (ohne Shell)."},
    {"agent_param_client_timeout", "Sekunden, die ein verbundener Client hat, "
                                   "um seinen Auftrag zu übergeben."},
    {"agent_dir_unsafe",
     "%1$S kann nicht verwendet werden: %2$S (Eigentümer: UID %3$S). Der "
     "Eigentümer oder root muss es entfernen; danach den Agenten neu starten."},
    {"agent_dir_is_link", "es ist ein symbolischer Link"},
    {"agent_dir_not_dir", "es ist kein Verzeichnis"},
    {"agent_dir_foreign", "es gehört einem anderen Benutzer"},
    {"agent_dir_open", "andere Benutzer haben Zugriff darauf (Modus %S)"},
    {"agent_already_running", "Ein Agent namens %S läuft bereits für diesen "
                              "Benutzer; dieser wird beendet."},
    {"agent_listening",
     "Wartet auf %1$S; gedruckte Aufträge kommen nach %2$S."},
    {"agent_stopping",
     "Wird beendet: bereits empfangene Aufträge werden fertiggestellt."},
    {"agent_job_delivered", "Auftrag \"%1$S\" nach %2$S zugestellt."},
    {"agent_job_failed", "Auftrag \"%1$S\" konnte nicht zugestellt werden "
                         "(%2$S); er liegt in %3$S."},
    {"agent_job_not_kept",
     "Auftrag \"%1$S\" konnte weder zugestellt noch aufbewahrt werden (%2$S); "
     "seine Dateien bleiben in %3$S."},
    {"agent_not_root", "Der Agent läuft nicht als root: Starten Sie ihn als "
                       "der Benutzer, der druckt."},
    {"agent_bad_name", "Ungültiger Agentenname '%S'."},

    // jex-log
    {"agent_log_param_name", "Name des Agenten, dessen Protokoll angezeigt "
                             "wird (seine Einstellung Name)."},
    {"agent_log_param_level",
     "Meldungen bis zu dieser Stufe werden angezeigt: 0 Fehler, 30 Ereignisse, "
     "100 Details, 110 alles."},
    {"agent_log_no_agent",
     "Für diesen Benutzer läuft kein Agent namens %1$S (%2$S)."},
    {"agent_log_refused",
     "Ein anderes jex-log zeigt bereits das Protokoll des Agenten %S an."},
    {"agent_log_closed", "Der Agent %S hat die Verbindung geschlossen."},
};

} // namespace

const Translation translation_de_DE = {"de_DE", messages,
                                       sizeof(messages) / sizeof(messages[0])};

} // namespace loc
