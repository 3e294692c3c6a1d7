// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/waylandclipboard.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <wayland-client.h>

#include "xdg-shell-client-protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace vantrel {

namespace {

// One copy: a connection of its own, from the window that takes the focus to
// the end of the selection it set. Deletes itself when done.
class WaylandCopy final : public QObject {
public:
    WaylandCopy(QByteArray text, QObject *context, std::function<void(const QString &)> failed)
        : m_text(std::move(text)), m_context(context), m_failed(std::move(failed))
    {
        m_focusTimer.setSingleShot(true);
        connect(&m_focusTimer, &QTimer::timeout, this, [this] {
            fail(QCoreApplication::translate("WaylandClipboard",
                                             "the desktop did not give Vantrel's copy window the keyboard focus "
                                             "that a program needs to copy"));
        });
    }

    ~WaylandCopy() override
    {
        removeWindow();
        if (m_source)
            wl_data_source_destroy(m_source);
        if (m_device)
            wl_data_device_destroy(m_device);
        if (m_manager)
            wl_data_device_manager_destroy(m_manager);
        if (m_seat)
            wl_seat_destroy(m_seat);
        if (m_wmBase)
            xdg_wm_base_destroy(m_wmBase);
        if (m_shm)
            wl_shm_destroy(m_shm);
        if (m_compositor)
            wl_compositor_destroy(m_compositor);
        if (m_registry)
            wl_registry_destroy(m_registry);
        delete m_notifier;
        if (m_display)
            wl_display_disconnect(m_display);
    }

    void start(std::chrono::milliseconds focusWait)
    {
        m_display = wl_display_connect(nullptr);
        if (!m_display)
            return fail(QCoreApplication::translate("WaylandClipboard", "the Wayland display could not be reached"));
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &kRegistry, this);
        // The globals, then the seat's capabilities.
        if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0)
            return fail(QCoreApplication::translate("WaylandClipboard", "the Wayland display did not answer"));
        if (!m_compositor || !m_shm || !m_wmBase)
            return fail(QCoreApplication::translate(
                "WaylandClipboard", "the Wayland desktop offers no window that could take the keyboard focus"));
        if (!m_manager)
            return fail(QCoreApplication::translate("WaylandClipboard", "the Wayland desktop offers no clipboard"));
        if (!m_seat || !(m_seatCapabilities & WL_SEAT_CAPABILITY_KEYBOARD))
            return fail(QCoreApplication::translate("WaylandClipboard",
                                                    "the Wayland desktop has no keyboard, and a program can copy only "
                                                    "while it has the keyboard focus"));

        m_keyboard = wl_seat_get_keyboard(m_seat);
        wl_keyboard_add_listener(m_keyboard, &kKeyboard, this);
        m_device = wl_data_device_manager_get_data_device(m_manager, m_seat);
        wl_data_device_add_listener(m_device, &kDevice, this);

        m_surface = wl_compositor_create_surface(m_compositor);
        m_xdgSurface = xdg_wm_base_get_xdg_surface(m_wmBase, m_surface);
        xdg_surface_add_listener(m_xdgSurface, &kXdgSurface, this);
        m_toplevel = xdg_surface_get_toplevel(m_xdgSurface);
        xdg_toplevel_set_title(m_toplevel, "Vantrel");
        xdg_toplevel_set_app_id(m_toplevel, "vantrel");
        // The first commit has no picture: the compositor answers with a
        // configure, after which the window gets its one pixel.
        wl_surface_commit(m_surface);
        wl_display_flush(m_display);

        m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &WaylandCopy::readEvents);
        m_focusTimer.start(focusWait);
    }

private:
    void readEvents()
    {
        if (wl_display_dispatch(m_display) < 0) {
            // The compositor went away: with it the clipboard.
            if (m_copied)
                return finish();
            return fail(QCoreApplication::translate("WaylandClipboard", "the connection to the Wayland display broke"));
        }
        wl_display_flush(m_display);
    }

    void fail(const QString &reason)
    {
        m_focusTimer.stop();
        if (m_notifier)
            m_notifier->setEnabled(false);
        if (m_context && m_failed) {
            const auto failed = std::move(m_failed);
            m_failed = nullptr;
            failed(reason);
        }
        deleteLater();
    }

    void finish()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
        deleteLater();
    }

    void removeWindow()
    {
        if (m_keyboard) {
            wl_keyboard_destroy(m_keyboard);
            m_keyboard = nullptr;
        }
        if (m_toplevel) {
            xdg_toplevel_destroy(m_toplevel);
            m_toplevel = nullptr;
        }
        if (m_xdgSurface) {
            xdg_surface_destroy(m_xdgSurface);
            m_xdgSurface = nullptr;
        }
        if (m_surface) {
            wl_surface_destroy(m_surface);
            m_surface = nullptr;
        }
        if (m_buffer) {
            wl_buffer_destroy(m_buffer);
            m_buffer = nullptr;
        }
    }

    // A 1x1 fully transparent picture.
    wl_buffer *makeBuffer()
    {
        const int fd = ::memfd_create("vantrel-copy", MFD_CLOEXEC);
        if (fd < 0)
            return nullptr;
        wl_buffer *buffer = nullptr;
        if (::ftruncate(fd, 4) == 0) {
            wl_shm_pool *pool = wl_shm_create_pool(m_shm, fd, 4);
            buffer = wl_shm_pool_create_buffer(pool, 0, 1, 1, 4, WL_SHM_FORMAT_ARGB8888);
            wl_shm_pool_destroy(pool);
        }
        ::close(fd);
        return buffer;
    }

    void configured(uint32_t serial)
    {
        if (!m_xdgSurface)
            return;
        xdg_surface_ack_configure(m_xdgSurface, serial);
        if (!m_buffer) {
            m_buffer = makeBuffer();
            if (!m_buffer)
                return fail(QCoreApplication::translate("WaylandClipboard", "Vantrel could not make its copy window (%1)")
                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
            wl_surface_attach(m_surface, m_buffer, 0, 0);
            wl_surface_damage(m_surface, 0, 0, 1, 1);
        }
        wl_surface_commit(m_surface);
    }

    void focused(uint32_t serial, wl_surface *surface)
    {
        if (m_copied || !surface || surface != m_surface)
            return;
        m_copied = true;
        m_focusTimer.stop();
        m_source = wl_data_device_manager_create_data_source(m_manager);
        wl_data_source_add_listener(m_source, &kSource, this);
        for (const char *type : {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT"})
            wl_data_source_offer(m_source, type);
        wl_data_device_set_selection(m_device, m_source, serial);
        // The selection is set; the window has done its work.
        removeWindow();
        wl_display_flush(m_display);
    }

    void send(int fd)
    {
        // A few bytes into a fresh pipe: they fit, so the write does not block.
        const char *data = m_text.constData();
        qsizetype left = m_text.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            data += n;
            left -= n;
        }
        ::close(fd);
    }

    static const wl_registry_listener kRegistry;
    static const wl_seat_listener kSeat;
    static const wl_keyboard_listener kKeyboard;
    static const wl_data_device_listener kDevice;
    static const wl_data_source_listener kSource;
    static const xdg_wm_base_listener kWmBase;
    static const xdg_surface_listener kXdgSurface;

    static WaylandCopy *self(void *data) { return static_cast<WaylandCopy *>(data); }

    QByteArray m_text;
    QPointer<QObject> m_context;
    std::function<void(const QString &)> m_failed;
    QTimer m_focusTimer;
    QSocketNotifier *m_notifier = nullptr;
    bool m_copied = false;

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_compositor *m_compositor = nullptr;
    wl_shm *m_shm = nullptr;
    wl_seat *m_seat = nullptr;
    uint32_t m_seatCapabilities = 0;
    wl_data_device_manager *m_manager = nullptr;
    xdg_wm_base *m_wmBase = nullptr;
    wl_keyboard *m_keyboard = nullptr;
    wl_data_device *m_device = nullptr;
    wl_data_source *m_source = nullptr;
    wl_surface *m_surface = nullptr;
    xdg_surface *m_xdgSurface = nullptr;
    xdg_toplevel *m_toplevel = nullptr;
    wl_buffer *m_buffer = nullptr;
};

// Version 1 of every interface is all this needs, and every compositor has it.
const wl_registry_listener WaylandCopy::kRegistry = {
    .global =
        [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
            WaylandCopy *d = self(data);
            const auto bind = [&](const wl_interface *type) { return wl_registry_bind(registry, name, type, 1); };
            if (!std::strcmp(interface, wl_compositor_interface.name) && !d->m_compositor) {
                d->m_compositor = static_cast<wl_compositor *>(bind(&wl_compositor_interface));
            } else if (!std::strcmp(interface, wl_shm_interface.name) && !d->m_shm) {
                d->m_shm = static_cast<wl_shm *>(bind(&wl_shm_interface));
            } else if (!std::strcmp(interface, wl_seat_interface.name) && !d->m_seat) {
                // The first seat: the one Qt calls the default as well.
                d->m_seat = static_cast<wl_seat *>(bind(&wl_seat_interface));
                wl_seat_add_listener(d->m_seat, &kSeat, d);
            } else if (!std::strcmp(interface, wl_data_device_manager_interface.name) && !d->m_manager) {
                d->m_manager = static_cast<wl_data_device_manager *>(bind(&wl_data_device_manager_interface));
            } else if (!std::strcmp(interface, xdg_wm_base_interface.name) && !d->m_wmBase) {
                d->m_wmBase = static_cast<xdg_wm_base *>(bind(&xdg_wm_base_interface));
                xdg_wm_base_add_listener(d->m_wmBase, &kWmBase, d);
            }
        },
    .global_remove = [](void *, wl_registry *, uint32_t) {},
};

const wl_seat_listener WaylandCopy::kSeat = {
    .capabilities = [](void *data, wl_seat *, uint32_t capabilities) { self(data)->m_seatCapabilities = capabilities; },
    .name = [](void *, wl_seat *, const char *) {},
};

const wl_keyboard_listener WaylandCopy::kKeyboard = {
    .keymap = [](void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { ::close(fd); },
    .enter = [](void *data, wl_keyboard *, uint32_t serial, wl_surface *surface,
                wl_array *) { self(data)->focused(serial, surface); },
    .leave = [](void *, wl_keyboard *, uint32_t, wl_surface *) {},
    .key = [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .modifiers = [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .repeat_info = [](void *, wl_keyboard *, int32_t, int32_t) {},
};

// While the window has the focus the compositor offers us the clipboard as
// it is (our own selection among them); nothing here reads it.
const wl_data_device_listener WaylandCopy::kDevice = {
    .data_offer = [](void *, wl_data_device *, wl_data_offer *) {},
    .enter =
        [](void *, wl_data_device *, uint32_t, wl_surface *, wl_fixed_t, wl_fixed_t, wl_data_offer *offer) {
            if (offer)
                wl_data_offer_destroy(offer);
        },
    .leave = [](void *, wl_data_device *) {},
    .motion = [](void *, wl_data_device *, uint32_t, wl_fixed_t, wl_fixed_t) {},
    .drop = [](void *, wl_data_device *) {},
    .selection =
        [](void *, wl_data_device *, wl_data_offer *offer) {
            if (offer)
                wl_data_offer_destroy(offer);
        },
};

const wl_data_source_listener WaylandCopy::kSource = {
    .target = [](void *, wl_data_source *, const char *) {},
    .send = [](void *data, wl_data_source *, const char *, int32_t fd) { self(data)->send(fd); },
    // Another program copied: this copy is over.
    .cancelled = [](void *data, wl_data_source *) { self(data)->finish(); },
    .dnd_drop_performed = [](void *, wl_data_source *) {},
    .dnd_finished = [](void *, wl_data_source *) {},
    .action = [](void *, wl_data_source *, uint32_t) {},
};

const xdg_wm_base_listener WaylandCopy::kWmBase = {
    .ping = [](void *, xdg_wm_base *base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const xdg_surface_listener WaylandCopy::kXdgSurface = {
    .configure = [](void *data, xdg_surface *, uint32_t serial) { self(data)->configured(serial); },
};

} // namespace

} // namespace vantrel

// The vantrel-wayland module's entry point (see CopyOnWayland).
extern "C" Q_DECL_EXPORT void vantrel_copy_on_wayland(const QString &text, QObject *context,
                                                      std::function<void(const QString &reason)> failed,
                                                      std::chrono::milliseconds focusWait)
{
    using vantrel::WaylandCopy;
    auto *copy = new WaylandCopy(text.toUtf8(), context, std::move(failed));
    // Parented to the application, so that an ending program closes the
    // connection (and with it hands back the clipboard) like any owner.
    copy->setParent(QCoreApplication::instance());
    // From the event loop, as every later step: the caller's handler has
    // returned before any failure is reported.
    QTimer::singleShot(0, copy, [copy, focusWait] { copy->start(focusWait); });
}
